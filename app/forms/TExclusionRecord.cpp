#include "app/forms/TExclusionRecord.h"

#include "app/forms/WordSum.h"

namespace lxq {

std::uint32_t ExclusionChecksum(const TExclusionRecord& r) {
    return WordSum(&r, offsetof(TExclusionRecord, checksum));
}

} // namespace lxq
