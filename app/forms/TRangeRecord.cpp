#include "app/forms/TRangeRecord.h"

#include "app/forms/WordSum.h"

namespace lxq {

std::uint32_t RangeChecksum(const TRangeRecord& r) { return WordSum(&r, offsetof(TRangeRecord, checksum)); }

} // namespace lxq
