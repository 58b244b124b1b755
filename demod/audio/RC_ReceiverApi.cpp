#include "demod/audio/RC_ReceiverApi.h"

#include <cstring>

namespace {

// The short information record as the library fills it.
constexpr std::uint32_t kInfoSize = 42;
constexpr std::size_t kInfoSerial = 4;
constexpr std::size_t kInfoModel = 13;
constexpr std::size_t kInfoLowest = 22;
constexpr std::size_t kInfoHighest = 30;

struct ModelKind {
    const char* prefix;
    std::int32_t kind;
    const char* description;
};
constexpr ModelKind kModels[] = {
    {"Q7PCIv", RC_Receiver::kKindPci, "Talvenor Q745i"},
    {"Q7SERv", RC_Receiver::kKindSerial, "Talvenor Q745e/Ser"},
    {"Q7USBv", RC_Receiver::kKindUsb, "Talvenor Q745e/USB"},
};

} // namespace

RC_ReceiverApi::RC_ReceiverApi() : RC_ReceiverApi(kLibraryName) {}

RC_ReceiverApi::RC_ReceiverApi(const char* libraryName) {
    LoadLibrary(libraryName);
    Bind();
}

RC_ReceiverApi::~RC_ReceiverApi() { Close(); }

int RC_ReceiverApi::Bind() {
    if (RC_ReceiverApiBase::Bind() == 0) return 0;
    BindName(pCodecRead, "CodecRead");
    BindName(pCodecSetGain, "CodecSetGain");
    BindName(pCodecStart, "CodecStart");
    BindName(pCodecStop, "CodecStop");
    BindName(pQ7InvertSpectrum, "Q7InvertSpectrum");
    BindName(pIsSpectrumInverted, "IsSpectrumInverted");
    BindName(pSetFMW, "SetFMW");
    BindName(pSetIF2Frequency, "SetIF2Frequency");
    BindName(pSetRFAmp, "SetRFAmp");
    return 1;
}

void RC_ReceiverApi::SetRfAmp(std::int32_t value) { SetCached(pSetRFAmp, rfAmp_, value); }
void RC_ReceiverApi::SetFMW(std::int32_t value) {
    SetCached(pSetFMW, fmWide_, value);
    // A set that failed may still be carried out by a receiver that wakes after its time-out: the
    // switch is not known then, and the next set goes to the library whatever it asks for.
    if (fmWide_ != value) fmWide_ = kFmWideUnknown;
}

void RC_ReceiverApi::SetIF2Frequency(std::int64_t hz) {
    if (handle_ == 0 || pSetIF2Frequency == nullptr || hz == if2Frequency_) return;
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(
        static_cast<std::uint64_t>(hz)));
    if (pSetIF2Frequency(handle_, low) != 0) if2Frequency_ = hz;
}

int RC_ReceiverApi::Open(const char* serial) {
    if (OpenCommon(serial) == 0) return 0;
    unsigned char info[kInfoSize] = {};
    std::memcpy(info, &kInfoSize, sizeof kInfoSize);
    if (pQ7GetInfo != nullptr && pQ7GetInfo(handle_, info) != 0) {
        char text[9];
        std::memcpy(text, info + kInfoSerial, 8);
        text[8] = '\0';
        serial_.Assign(text);
        for (const ModelKind& m : kModels) {
            if (std::memcmp(info + kInfoModel, m.prefix, 6) == 0) {
                kind_ = m.kind;
                description_.Assign(m.description);
                break;
            }
        }
        std::memcpy(&lowest_, info + kInfoLowest, sizeof lowest_);
        std::memcpy(&highest_, info + kInfoHighest, sizeof highest_);
        return 1;
    }
    serial_.Assign(serial);
    kind_ = kKindPci;
    description_.Assign("Talvenor Q745");
    lowest_ = 9'000;
    highest_ = 30'000'000;
    return 1;
}

void RC_ReceiverApi::BlockTrampoline(void* context) {
    auto* self = static_cast<RC_ReceiverApi*>(context);
    if (self->codecCallback_ != nullptr) self->codecCallback_(self->codecUser_, self);
}

int RC_ReceiverApi::CodecStart() {
    if (handle_ == 0 || pCodecStart == nullptr) return 0;
    return pCodecStart(handle_, &RC_ReceiverApi::BlockTrampoline, this);
}

std::uint32_t RC_ReceiverApi::CodecRead(void* buffer, std::uint32_t length) {
    if (handle_ == 0 || pCodecRead == nullptr) return 0;
    const std::uint64_t got = pCodecRead(handle_, buffer, length);
    // The library never copies more than asked; a larger answer is not believed.
    return got > length ? length : static_cast<std::uint32_t>(got);
}

int RC_ReceiverApi::CodecStop() {
    if (handle_ == 0 || pCodecStop == nullptr) return 0;
    return pCodecStop(handle_);
}
