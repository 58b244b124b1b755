#include "app/forms/MemoryCsv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "app/controls/FloatText.h"
#include "app/forms/ModeNames.h"
#include "app/forms/RecordText.h"
#include "app/forms/SquelchCodes.h"
#include "app/receiver/SquelchSettings.h"
#include "platform/sys/AtomicFile.h"

namespace lxq {
namespace {

constexpr std::size_t kColumns = 19;
constexpr std::size_t kMaxLine = 10240; // longer lines are read in pieces
constexpr std::size_t kMaxCsvBytes = std::size_t{16} << 20;
constexpr std::int32_t kMaxPercent = 99;
constexpr int kNamedModes = 20;
constexpr int kGroups = 16;

constexpr std::array<const char*, kColumns> kHeader = {
    "Number", "Frequency", "Bandwidth", "IF Shift", "reserved", "reserved", "reserved",
    "reserved", "reserved", "Groups", "Hotkey", "Lockout", "Priority", "Level squelch value",
    "Secondary squelch type", "Secondary squelch value", "Mode", "Callsign", "Comments"};

// Column indexes (0-based) and the labels a failure names.
enum Column : std::size_t {
    kNumber = 0, kFrequency = 1, kBandwidth = 2, kIfShift = 3, kGroupList = 9, kHotkey = 10,
    kLockout = 11, kPriority = 12, kLevel = 13, kSquelchType = 14, kSquelchValue = 15, kMode = 16,
    kCallsign = 17, kComments = 18,
};

struct SquelchWord {
    const char* text;
    std::int32_t type;
};
constexpr std::array<SquelchWord, 4> kSquelchWords = {{
    {"noise", static_cast<std::int32_t>(kSquelchNoise)},
    {"voice", static_cast<std::int32_t>(kSquelchVoice)},
    {"ctcss", static_cast<std::int32_t>(kSquelchCtcss)},
    {"dcs", static_cast<std::int32_t>(kSquelchDcs)},
}};

// Bytes from 0x80 up count as lower than the blank, as with signed characters.
bool BelowBlank(char c) { return static_cast<signed char>(c) < ' '; }

// A whole decimal number in the signed 32-bit range; leading blanks and a sign allowed.
std::optional<std::int32_t> WholeNumber(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s.front() == '-') return std::nullopt; // one sign only
    }
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

// The leading whole number of a text ("3+5" gives 3); 0 without digits.
std::int64_t LeadingNumber(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        v = std::min<std::int64_t>(v * 10 + (c - '0'), INT32_MAX + 1LL); // large stays out of range
    }
    return negative ? -v : v;
}

// A whole number of 32 bits written either way: signed, or as the unsigned value of the same
// bits (4294967295 for -1), as files written before held a bandwidth from 2^31 up.
std::optional<std::uint32_t> Whole32Bits(std::string_view s) {
    if (const auto v = WholeNumber(s)) return static_cast<std::uint32_t>(*v);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || s.front() == '-' || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

// A frequency: a whole number in the signed 32-bit range, or a negative one of that range that a
// file written before holds as its unsigned 64-bit value (18446744073709551615 for -1).
std::optional<std::int32_t> FrequencyNumber(std::string_view s) {
    if (const auto v = WholeNumber(s)) return v;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || s.front() == '-' || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    const auto widened = static_cast<std::int64_t>(v); // two's complement: the negative it stood for
    if (widened >= 0 || widened < INT32_MIN) return std::nullopt;
    return static_cast<std::int32_t>(widened);
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}


std::string SquelchValueText(const TMemoryRecord& r) {
    switch (static_cast<std::uint32_t>(r.squelchType)) {
    case kSquelchNoise:
    case kSquelchVoice: return std::to_string(static_cast<std::uint32_t>(r.squelchValue));
    // An inverted code is negative; written signed it comes back as it went out.
    case kSquelchDcs: return std::to_string(r.squelchValue);
    case kSquelchCtcss: return FormatFloat(r.squelchValue * 0.001, 1, 1);
    default: return {};
    }
}

std::string SquelchTypeText(std::int32_t type) {
    for (const SquelchWord& w : kSquelchWords)
        if (w.type == type) return w.text;
    return {};
}

// The second squelch's value for its type; nothing when it is not one the receiver takes.
std::optional<std::int32_t> SquelchValue(std::int32_t type, const std::string& text) {
    switch (static_cast<std::uint32_t>(type)) {
    case kSquelchNoise:
    case kSquelchVoice: {
        const auto v = WholeNumber(text);
        if (!v || *v < 0 || *v > kMaxPercent) return std::nullopt;
        return v;
    }
    case kSquelchCtcss: {
        const auto hz = StrToFloat(text);
        if (!hz || !std::isfinite(*hz) || std::fabs(*hz) > 1e6) return std::nullopt;
        const auto milliHz = static_cast<std::int32_t>(*hz * 1000.0 + 0.5);
        if (!IsCtcssTone(milliHz)) return std::nullopt;
        return milliHz;
    }
    case kSquelchDcs: {
        const auto v = WholeNumber(text);
        if (!v || *v == INT32_MIN || !IsDcsCode(*v < 0 ? -*v : *v)) return std::nullopt;
        return v;
    }
    default: return 0;
    }
}

} // namespace

std::string JoinCSVFields(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        line += '"';
        for (char c : fields[i]) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    }
    return line;
}

void SplitCSVLine(std::vector<std::string>& fields, std::string_view line) {
    fields.clear();
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n && (BelowBlank(line[i]) || line[i] == ' ')) ++i;
    while (i < n) {
        std::string field;
        if (line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
        } else {
            // A NUL byte stays in the field (which then fails as a number) rather than start a
            // new field that would shift every later column.
            while (i < n && (line[i] == '\0' || !BelowBlank(line[i])) && line[i] != ',') field += line[i++];
        }
        fields.push_back(std::move(field));
        while (i < n && BelowBlank(line[i])) ++i;
        if (i < n && line[i] == ',') {
            ++i;
            while (i < n && BelowBlank(line[i])) ++i;
        }
        if (i >= n) fields.emplace_back();
    }
}

std::string FormatGroupList(std::uint32_t mask) {
    std::string text;
    for (int n = 1; n <= kGroups; ++n) {
        if ((mask & (1u << (kGroups - n))) == 0) continue;
        if (!text.empty()) text += '+';
        text += std::to_string(n);
    }
    return text;
}

std::optional<std::uint32_t> ParseGroupList(std::string_view text) {
    text = Trimmed(text);
    std::uint32_t mask = 0;
    while (!text.empty()) {
        const std::int64_t n = LeadingNumber(text);
        if (n < 1 || n > kGroups) return std::nullopt;
        mask |= 1u << (kGroups - n);
        const auto plus = text.find('+');
        text = plus == std::string_view::npos ? std::string_view() : text.substr(plus + 1);
    }
    return mask;
}

std::string MemoryCsvHeader() {
    return JoinCSVFields(std::vector<std::string>(kHeader.begin(), kHeader.end()));
}

std::string MemoryCsvLine(const TMemoryRecord& r) {
    std::vector<std::string> c(kColumns);
    c[kNumber] = std::to_string(static_cast<std::uint32_t>(r.number));
    // Signed, as the import reads them back: a negative frequency, or a bandwidth from 2^31 up
    // (it came from a negative number), written unsigned would be lost on the way back.
    c[kFrequency] = std::to_string(r.frequency);
    c[kBandwidth] = std::to_string(static_cast<std::int32_t>(r.bandwidth));
    c[kIfShift] = std::to_string(r.ifShift);
    c[kGroupList] = FormatGroupList(r.groups);
    c[kHotkey] = r.hotkey > 1 ? std::to_string(r.hotkey) : "0";
    c[kLockout] = (r.flags & kMemLockout) ? "1" : "0";
    c[kPriority] = std::to_string(MemoryPriority(r));
    if ((r.flags & kMemKeepSquelch) == 0) c[kLevel] = r.levelSquelch == 0 ? "none" : std::to_string(r.levelSquelch);
    c[kSquelchType] = SquelchTypeText(r.squelchType);
    c[kSquelchValue] = SquelchValueText(r);
    if ((r.flags & kMemKeepMode) == 0) c[kMode] = std::string(ModeName(r.mode));
    c[kCallsign] = RecordText(r.callsign);
    c[kComments] = RecordText(r.comments);
    return JoinCSVFields(c);
}

MemoryCsvResult ParseMemoryCsvFields(const std::vector<std::string>& fields, const MemoryList& list) {
    MemoryCsvResult result;
    TMemoryRecord r = NewMemoryRecord();
    const auto column = [&fields](std::size_t i) -> const std::string* {
        return i < fields.size() ? &fields[i] : nullptr;
    };
    const auto fail = [&result](const char* label) {
        result.badField = label;
        return result;
    };

    // The number never fails: a missing or unusable one becomes the lowest free number.
    std::optional<std::int32_t> number;
    if (const std::string* f = column(kNumber)) number = WholeNumber(*f);
    if (!number || *number < kFirstChannel || *number > kLastChannel) number = LowestFreeNumber(list);
    if (!number) return fail("number");
    r.number = *number;

    const std::string* f = column(kFrequency);
    const auto frequency = f ? FrequencyNumber(*f) : std::nullopt;
    if (!frequency) return fail("frequency");
    r.frequency = *frequency;

    f = column(kBandwidth);
    const auto bandwidth = f ? Whole32Bits(*f) : std::nullopt;
    if (!bandwidth) return fail("bandwidth");
    r.bandwidth = *bandwidth;

    f = column(kIfShift);
    const auto ifShift = f ? WholeNumber(*f) : std::nullopt;
    if (!ifShift) return fail("IF shift");
    r.ifShift = *ifShift;

    f = column(kGroupList);
    const auto groups = f ? ParseGroupList(*f) : std::nullopt;
    if (!groups) return fail("group");
    r.groups = *groups;

    f = column(kHotkey);
    if (!f) return fail("hotkey");
    if (!f->empty()) {
        const auto hotkey = WholeNumber(*f);
        if (!hotkey || *hotkey < 0 || *hotkey > kLastHotkey) return fail("hotkey");
        r.hotkey = *hotkey >= kFirstHotkey ? *hotkey : 0;
    }

    f = column(kLockout);
    if (!f) return fail("lockout");
    if (!f->empty()) {
        const auto lockout = WholeNumber(*f);
        if (!lockout) return fail("lockout");
        r.flags = static_cast<std::uint32_t>(*lockout);
    }

    f = column(kPriority);
    const auto priority = f ? WholeNumber(*f) : std::nullopt;
    if (!priority || *priority < 0 || *priority > 5) return fail("priority");
    r.flags = (r.flags & ~(7u << kMemPriorityShift)) | (static_cast<std::uint32_t>(*priority) << kMemPriorityShift);

    f = column(kLevel);
    if (!f) return fail("level squelch");
    if (f->empty()) {
        r.levelSquelch = 0;
        r.flags |= kMemKeepSquelch;
    } else if (*f == "none") {
        r.levelSquelch = 0;
        r.flags &= ~kMemKeepSquelch;
    } else {
        const auto level = WholeNumber(*f);
        if (!level) return fail("level squelch");
        r.levelSquelch = *level;
    }

    f = column(kSquelchType);
    if (!f) return fail("secondary squelch");
    r.squelchType = 0;
    for (const SquelchWord& w : kSquelchWords)
        if (*f == w.text) r.squelchType = w.type;
    f = column(kSquelchValue);
    if (!f) return fail("secondary squelch");
    const auto value = SquelchValue(r.squelchType, *f);
    if (!value) return fail("secondary squelch");
    r.squelchValue = *value;

    f = column(kMode);
    if (!f) return fail("mode");
    if (f->empty()) {
        r.mode = 1;
        r.flags |= kMemKeepMode;
    } else {
        const auto& names = ModeNames();
        const auto at = std::find(names.begin(), names.begin() + kNamedModes, *f);
        if (at == names.begin() + kNamedModes) return fail("mode");
        r.mode = static_cast<std::int32_t>(at - names.begin());
    }

    f = column(kCallsign);
    if (!f) return fail("callsign");
    PutRecordText(r.callsign, *f);
    f = column(kComments);
    if (!f) return fail("comments");
    PutRecordText(r.comments, *f);

    result.record = r;
    return result;
}

bool ExportMemoryCsv(const std::string& path, const MemoryList& list) {
    std::string text = MemoryCsvHeader() + "\r\n";
    for (const auto& r : list) text += MemoryCsvLine(*r) + "\r\n";
    return plat::sys::WriteFileAtomically(path, text);
}

bool ImportMemoryCsv(const std::string& path, MemoryList& list,
                     const std::function<void(const std::string&)>& report) {
    // A memory list has at most 9999 channels of a few hundred characters each: a larger file
    // (or a link to an endless device) is no list and is not read.
    plat::sys::FileRead read = plat::sys::ReadFileWithin(path, kMaxCsvBytes);
    if (read.outcome == plat::sys::ReadOutcome::TooLarge) {
        if (report) report(path + " is larger than a memory list can be and was not read.");
        return true; // nothing imported, and said so
    }
    if (read.outcome != plat::sys::ReadOutcome::Read) return false;
    std::istringstream in(std::move(read.bytes));
    // Lines are read as a line reader with a buffer of kMaxLine bytes would: a longer line is
    // taken in pieces.
    const auto nextLine = [&in](std::string& line) {
        line.clear();
        char c;
        while (line.size() + 1 < kMaxLine && in.get(c)) {
            line += c;
            if (c == '\n') break;
        }
        return !line.empty();
    };
    std::string line;
    nextLine(line); // the header, whatever it holds
    SetDecimalSeparator('.');
    std::vector<std::string> fields;
    int lineNumber = 0;
    // An empty line ends the import: one of at most one character whatever its line end, so that
    // a file with CR LF ends where the same file with LF does.
    while (nextLine(line)) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (line.size() <= 1) break;
        ++lineNumber;
        SplitCSVLine(fields, line);
        MemoryCsvResult parsed = ParseMemoryCsvFields(fields, list);
        if (!parsed.record) {
            if (report) report("Incorrect " + parsed.badField + " on line " + std::to_string(lineNumber));
            continue;
        }
        const int existing = IndexOfNumber(list, parsed.record->number);
        if (existing >= 0) list.erase(list.begin() + existing);
        list.push_back(std::make_unique<TMemoryRecord>(*parsed.record));
    }
    return true;
}

} // namespace lxq

