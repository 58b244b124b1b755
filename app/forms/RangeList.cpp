#include "app/forms/RangeList.h"

#include "app/forms/RecordFile.h"

namespace lxq {

RangeList ReadRangesFile(const std::string& path, bool* tooLarge) {
    RangeList list;
    plat::sys::ReadOutcome outcome = plat::sys::ReadOutcome::Missing;
    const auto content = ReadRecordFile<TRangeRecord>(path, &outcome);
    if (tooLarge) *tooLarge = outcome == plat::sys::ReadOutcome::TooLarge;
    if (content)
        for (const TRangeRecord& r : content->records) list.push_back(std::make_unique<TRangeRecord>(r));
    return list;
}

bool WriteRangesFile(const std::string& path, const RangeList& ranges) {
    std::vector<TRangeRecord> records;
    records.reserve(ranges.size());
    for (const auto& r : ranges) records.push_back(*r);
    return WriteRecordFile<TRangeRecord>(path, records);
}

} // namespace lxq
