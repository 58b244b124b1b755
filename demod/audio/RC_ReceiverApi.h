#pragma once
// The demodulator's own link to its receiver: the common exports, the codec stream and the extra
// settings (FM-wide, second IF, RF amplifier, spectrum inversion). The library is loaded by name
// at construction.

#include "demod/audio/RC_ReceiverApiBase.h"

class RC_ReceiverApi : public RC_ReceiverApiBase {
public:
    using CodecBlockCallback = void (*)(void* user, RC_ReceiverApi* api);

    RC_ReceiverApi();
    // Loads the library from `libraryName` instead (a path, for tests).
    explicit RC_ReceiverApi(const char* libraryName);
    ~RC_ReceiverApi() override;

    void SetRfAmp(std::int32_t value) override;
    int Bind() override;
    // Opens by serial number text (8 characters; anything else takes a simulated receiver).
    int Open(const char* serial) override;

    void SetFMW(std::int32_t value);
    void SetIF2Frequency(std::int64_t hz);

    // Set before the stream starts; called on the library's codec thread.
    void SetCodecBlockCallback(CodecBlockCallback callback, void* user) {
        codecCallback_ = callback;
        codecUser_ = user;
    }
    int CodecStart();
    // Bytes copied out of the receiver's codec ring.
    std::uint32_t CodecRead(void* buffer, std::uint32_t length);
    int CodecStop();

    // The wide-FM switch as last set, kFmWideUnknown before the first set and after one that failed.
    static constexpr std::int32_t kFmWideUnknown = -2;
    std::int32_t FmWide() const { return fmWide_; }
    std::int64_t If2Frequency() const { return if2Frequency_; }

    decltype(&::CodecRead) pCodecRead = nullptr;
    decltype(&::CodecSetGain) pCodecSetGain = nullptr;
    decltype(&::CodecStart) pCodecStart = nullptr;
    decltype(&::CodecStop) pCodecStop = nullptr;
    decltype(&::Q7InvertSpectrum) pQ7InvertSpectrum = nullptr;
    decltype(&::SetFMW) pSetFMW = nullptr;
    decltype(&::SetIF2Frequency) pSetIF2Frequency = nullptr;
    decltype(&::SetRFAmp) pSetRFAmp = nullptr;
    decltype(&::IsSpectrumInverted) pIsSpectrumInverted = nullptr;

private:
    static void BlockTrampoline(void* context);
    void ReadInfo();

    CodecBlockCallback codecCallback_ = nullptr;
    void* codecUser_ = nullptr;
    std::int32_t fmWide_ = kFmWideUnknown; // so that the first set always reaches the library
    std::int64_t if2Frequency_ = 0;
};
