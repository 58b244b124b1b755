// The API-bound receiver's remaining device operations and its capability block. The waiting ones
// are asked on the caller's thread after the requests made before them (for callers that may
// wait); the service window and the start-up use the ones carried out among the requests.

#include <algorithm>
#include <array>
#include <cstring>

#include "app/receiver/ProgramVersion.h"
#include "app/receiver/TmyQ7.h"

namespace lxq {
namespace {

using GetFn = std::int32_t(std::int32_t);
using SetFn = std::int32_t(std::int32_t, std::int32_t);

constexpr std::uint32_t kCapabilityBits = 0x16005;
constexpr std::uint32_t kCapsTail388 = 0x380160;
constexpr std::int32_t kVolumeMax = 31;

// Copies at most `room` characters, without a terminator when the text fills the room.
void PutText(char* field, std::size_t room, const std::string& text) {
    std::memcpy(field, text.data(), std::min(room, text.size()));
}

} // namespace

std::string TmyQ7::GetDriverPath() {
    // Looked up at every call: the path may be asked for before any other export is needed.
    auto* path = reinterpret_cast<decltype(::Q7GetPath)*>(api_.FindNow("Q7GetPath"));
    if (!path) return {};
    char buffer[1024] = {};
    if (path(handle_, buffer, sizeof buffer) == 0) return {};
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

bool TmyQ7::IsBusy() {
    FinishRequests();
    auto* busy = Api<GetFn>("Q7IsBusy");
    return busy && busy(handle_) != 0;
}

std::int32_t TmyQ7::GetIF1Version() {
    FinishRequests();
    auto* get = Api<GetFn>("GetIF1version");
    return get ? get(handle_) : 0;
}

std::int32_t TmyQ7::GetIF1Filter() {
    FinishRequests();
    auto* get = Api<GetFn>("GetIF1filter");
    return get ? get(handle_) : 0;
}

std::int32_t TmyQ7::SetIF1Filter(std::int32_t v) {
    FinishRequests();
    auto* set = Api<SetFn>("SetIF1filter");
    return set ? set(handle_, v) : 0;
}

bool TmyQ7::GetHwInfo(void* record60) {
    FinishRequests();
    auto* get = Api<decltype(::GetHwInfo)>("GetHwInfo");
    return get && get(handle_, record60, 60) != 0;
}

bool TmyQ7::GetDebug(void* record64) {
    FinishRequests();
    auto* get = Api<decltype(::Q7GetDebug)>("Q7GetDebug");
    return get && get(handle_, record64) != 0;
}

bool TmyQ7::GetDebugInfo(RADIO_INFO* info) {
    FinishRequests();
    auto* get = Api<decltype(::Q7GetInfo)>("Q7GetInfo");
    return get && get(handle_, info) != 0;
}

std::int32_t TmyQ7::GetLock() {
    FinishRequests();
    auto* get = Api<decltype(::Q7GetLock)>("Q7GetLock");
    return get ? get(handle_, 0) : 0;
}

bool TmyQ7::SetRefClk(std::uint32_t hz) {
    FinishRequests();
    refClockSet_ = true;
    auto* set = Api<decltype(::Q7SetRefClock)>("Q7SetRefClock");
    return set && IsConnected() && set(handle_, hz) != 0;
}

std::int32_t TmyQ7::GetRefClk() {
    FinishRequests();
    auto* get = Api<decltype(::Q7GetRefClock)>("Q7GetRefClock");
    return get && IsConnected() ? get(handle_) : 0;
}

bool TmyQ7::SetIF2Frequency(std::int32_t hz) {
    FinishRequests();
    auto* set = Api<SetFn>("SetIF2Frequency");
    return set && IsConnected() && set(handle_, hz) != 0;
}

std::int32_t TmyQ7::GetIF2Frequency() {
    FinishRequests();
    auto* get = Api<GetFn>("GetIF2Frequency");
    return get && IsConnected() ? get(handle_) : 0;
}

bool TmyQ7::ReadBands(std::uint32_t* edges8) {
    FinishRequests();
    auto* read = Api<decltype(::ReadBands)>("ReadBands");
    return read && read(handle_, edges8) != 0;
}

bool TmyQ7::WriteBands(const std::uint32_t* edges8) {
    FinishRequests();
    auto* write = Api<decltype(::WriteBands)>("WriteBands");
    return write && write(handle_, edges8) != 0;
}

bool TmyQ7::SetLED(std::uint8_t pattern) {
    // Among the requests: a pattern reaches the receiver after what was asked before it.
    auto* set = Api<SetFn>("SetLEDFlashPattern");
    if (!set) return false;
    const std::int32_t handle = handle_;
    Requests().Make([=]() -> ReceiverRequests::Answer {
        set(handle, pattern);
        return nullptr;
    });
    return true;
}

bool TmyQ7::WriteEEPROM(std::uint8_t address, const void* data, std::uint32_t count) {
    FinishRequests();
    auto* write = Api<decltype(::Q7WriteEEPROM)>("Q7WriteEEPROM");
    return write && write(handle_, kCalibGuardWord, address, count, data) != 0;
}

// --- among the requests ------------------------------------------------------------------------

void TmyQ7::AskServicePages(std::function<void(const ServicePages&)> answer) {
    auto* debug = Api<decltype(::Q7GetDebug)>("Q7GetDebug");
    auto* eeprom = Api<decltype(::Q7GetEEP)>("Q7GetEEP");
    auto* bands = Api<decltype(::ReadBands)>("ReadBands");
    auto* filter = Api<GetFn>("GetIF1filter");
    Ask<ServicePages>(
        [=](std::int32_t handle) {
            ServicePages p;
            p.haveRegisters = debug && debug(handle, p.registers) != 0;
            p.haveEeprom = eeprom && eeprom(handle, &p.eeprom) != 0;
            p.haveBands = bands && bands(handle, p.edges) != 0;
            p.if1Filter = filter ? filter(handle) : 0;
            return p;
        },
        std::move(answer));
}

void TmyQ7::RequestCalibration(const LX_Q7_CALIB& record) {
    if (!CalibrationValuesValid(record)) {
        ShowWarning("Bad calibrating values !", "Q7 error");
        return;
    }
    auto* write = Api<decltype(::Q7WrCalib)>("Q7WrCalib");
    if (!write) {
        ShowWarning("Incorrect Q7 API !", "Q7 error");
        return;
    }
    Ask<bool>([write, record](std::int32_t handle) { return write(handle, &record) != 0; },
              [this](bool written) {
                  if (written) ReadCalibration();
                  else ShowWarning("Writing the EEPROM data failed !", "Q7 error");
              });
}

void TmyQ7::RequestIF1Filter(std::int32_t v) {
    if (auto* set = Api<SetFn>("SetIF1filter")) Ask<int>([set, v](std::int32_t handle) { return set(handle, v); }, nullptr);
}

void TmyQ7::ReapplyIF2Frequency() {
    auto* get = Api<GetFn>("GetIF2Frequency");
    auto* set = Api<SetFn>("SetIF2Frequency");
    auto* connected = ConnectionExport();
    if (!get || !set) return;
    Ask<int>(
        [=](std::int32_t handle) {
            if (connected && connected(handle) == 0) return 0;
            return set(handle, get(handle));
        },
        nullptr);
}

void TmyQ7::RequestEEPROMWrite(std::uint8_t address, std::vector<std::uint8_t> bytes,
                               std::function<void(bool)> answer) {
    auto* write = Api<decltype(::Q7WriteEEPROM)>("Q7WriteEEPROM");
    if (!write) {
        if (answer) answer(false);
        return;
    }
    Ask<bool>(
        [write, address, bytes = std::move(bytes)](std::int32_t handle) {
            return write(handle, kCalibGuardWord, address, static_cast<std::uint32_t>(bytes.size()), bytes.data()) != 0;
        },
        std::move(answer));
}

void TmyQ7::RequestBandsWrite(const std::uint32_t* edges8) {
    auto* write = Api<decltype(::WriteBands)>("WriteBands");
    if (!write) return;
    std::array<std::uint32_t, 8> edges{};
    std::copy(edges8, edges8 + 8, edges.begin());
    Ask<bool>([write, edges](std::int32_t handle) { return write(handle, edges.data()) != 0; }, nullptr);
}

void TmyQ7::RequestRefClk(std::uint32_t hz, std::function<void(bool)> answer) {
    refClockSet_ = true;
    AskSetWhileConnected(Api<decltype(::Q7SetRefClock)>("Q7SetRefClock"), hz, std::move(answer));
}

void TmyQ7::RequestIF2Frequency(std::int32_t hz, std::function<void(bool)> answer) {
    AskSetWhileConnected(Api<SetFn>("SetIF2Frequency"), hz, std::move(answer));
}

// --- preselector ---------------------------------------------------------------------------

bool TmyQ7::FilterTable(std::int32_t band, FILTER_NODE* nodes) {
    FinishRequests();
    auto* get = Api<decltype(::GetFilterTbl)>("GetFilterTbl");
    return get && get(handle_, band, nodes) != 0;
}

bool TmyQ7::SetFilterTable(std::int32_t band, const FILTER_NODE* nodes, std::int32_t& cache) {
    FinishRequests();
    cache = -1;
    auto* set = Api<decltype(::SetFilterTbl)>("SetFilterTbl");
    return set && set(handle_, band, nodes) != 0;
}

std::int32_t TmyQ7::SetFilterValue(std::int32_t v, std::int32_t& cache) {
    FinishRequests();
    auto* set = Api<decltype(::SetFilterVal)>("SetFilterVal");
    if (!set || set(handle_, v) == 0) return 0;
    // The filter value is the word's low byte; an unknown word stays unknown and is read anew.
    if (v == -1)
        cache = -1;
    else if (cache != -1)
        cache = static_cast<std::int32_t>((static_cast<std::uint32_t>(cache) & ~0xFFu) |
                                          (static_cast<std::uint32_t>(v) & 0xFFu));
    return v;
}

std::int32_t TmyQ7::FilterValue(std::int32_t& cache) {
    FinishRequests();
    if (cache != -1) return cache;
    auto* get = Api<decltype(::GetFilterVal)>("GetFilterVal");
    if (!get) return 0;
    cache = static_cast<std::int32_t>(get(handle_));
    return cache;
}

// --- capability block ------------------------------------------------------------------------

void TmyQ7::FillRadioDevCaps() {
    const std::uint32_t rangeCount = isUSversion_ ? 3 : 1;
    const auto modes = static_cast<std::uint32_t>(std::clamp(facilities_.ModesCount, 0, kMaxFacilityModes));
    const std::uint32_t total = kRadioDevCapsHeaderSize + 12 * rangeCount + 28 * modes;
    RadioDevCaps() = RadioDevCapsBlock(total);
    RADIODEVCAPS& c = *RadioDevCaps().Header();
    c.totalSize = total;
    c.headerSize = kRadioDevCapsHeaderSize;
    c.rangeEntrySize = sizeof(RADIODEVCAPS_RANGE);
    c.receiverHandle = static_cast<std::uint32_t>(handle_);
    PutText(c.manufacturer, sizeof c.manufacturer, GetManufacturer());
    std::string product = GetProductName() + (demo_ ? "-demo" : "");
    if (product.size() > sizeof c.product) product = product.substr(product.size() - sizeof c.product);
    PutText(c.product, sizeof c.product, product);
    PutText(c.name, sizeof c.name, GetUserDefName());
    std::memcpy(c.serial, info_.serial, sizeof info_.serial);
    c.programVersion = (kProgramVersionMajor & 0xF) << 8 | (kProgramVersionMinor & 0xF) << 4 |
                       (kProgramVersionRelease & 0xF);
    c.v164 = 1;
    c.capabilityBits = kCapabilityBits;
    c.squelchTypes = 1;
    c.ifGainMax = 100;
    c.rangeCount = rangeCount;
    c.rangeTable = kRadioDevCapsHeaderSize;
    c.modeCount = modes;
    c.modeEntrySize = sizeof(RADIODEVCAPS_MODE);
    c.modeTable = kRadioDevCapsHeaderSize + 12 * rangeCount;
    RADIODEVCAPS_RANGE* r = RadioDevCaps().Ranges();
    const auto low = static_cast<std::uint32_t>(facilities_.MinFrequency / 1000);
    const auto high = static_cast<std::uint32_t>(facilities_.MaxFrequency / 1000);
    if (rangeCount == 1) {
        r[0] = {low, high, 1};
    } else {
        // Cellular bands the US version must not receive are left out.
        r[0] = {low, 824000, 1};
        r[1] = {849000, 869000, 1};
        r[2] = {894000, high, 1};
    }
    auto* m = reinterpret_cast<RADIODEVCAPS_MODE*>(reinterpret_cast<std::uint8_t*>(&c) + c.modeTable);
    for (std::uint32_t i = 0; i < modes; ++i)
        m[i] = {facilities_.GetMode(static_cast<int>(i)), 100, 0, 11025, 1, {0, 0}};
    c.v240 = c.v244 = c.v248 = 1;
    c.v260 = 15;
    c.v272 = 100;
    c.volumeMax = kVolumeMax;
    c.v280 = 1;
    c.v388 = kCapsTail388;
}

void TmyQ7::SetRadioDevCaps(const void* caps, std::uint32_t available) {
    if (caps != RadioDevCaps().Header()) TmyReceiver::SetRadioDevCaps(caps, available);
    const RadioDevCapsBlock& block = RadioDevCaps();
    if (block.Empty()) return;
    if (const std::uint32_t n = block.RangeCount(); n != 0) {
        facilities_.MinFrequency = std::int64_t{block.Ranges()[0].lowKHz} * 1000;
        facilities_.MaxFrequency = std::int64_t{block.Ranges()[n - 1].highKHz} * 1000;
    }
    facilities_.ModesCount = static_cast<std::int32_t>(std::min<std::uint32_t>(block.ModeCount(), kMaxFacilityModes));
    for (std::int32_t i = 0; i < facilities_.ModesCount; ++i) facilities_.SetMode(i, block.Modes()[i].mode);
}

} // namespace lxq
