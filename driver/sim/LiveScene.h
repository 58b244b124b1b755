#pragma once
// The scene that the simulated receivers of this process hear now. The driver host sets it at
// start and whenever `lxq745ctl scene` loads another; receivers and IF synthesisers take the
// current one for each measurement or block, so a new scene is heard at once. Swapping and
// reading never block each other for longer than a pointer copy.

#include <memory>

#include "driver/sim/BandScene.h"

namespace lxq::sim {

class LiveScene {
public:
    static std::shared_ptr<const BandScene> Current();
    static void Replace(BandScene scene);
    // Back to the built-in default scene.
    static void Reset();
};

} // namespace lxq::sim
