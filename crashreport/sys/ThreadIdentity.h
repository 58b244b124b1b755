#pragma once

namespace errvane {

// The kernel's id of the calling thread.
class ThreadIdentity {
public:
    static long Current();
};

}  // namespace errvane
