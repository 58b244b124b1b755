#pragma once
// A receiver reached through the API library's common exports, looked up by name in the library
// loaded at run time. Without the library, or without one export, the operations that need it do
// nothing and return their neutral value.

#include "demod/audio/RC_Receiver.h"
#include "api/Lxq745Api.h"
#include "platform/sys/Module.h"

#include <memory>

class RC_ReceiverApiBase : public RC_Receiver {
public:
    static constexpr std::uint32_t kEepromGuard = 0x6B3E;
    static constexpr std::size_t kEepromSize = 256;
    static constexpr const char* kLibraryName = "lxq745api.dll";

    // Loads nothing: a derived class loads the library and binds.
    RC_ReceiverApiBase();
    ~RC_ReceiverApiBase() override;

    void SetAgc(std::int32_t value) override;
    void SetAttenuator(std::int32_t value) override;
    void SetIfGain(std::int32_t value) override;
    void SetFrequency(std::int64_t hz) override;
    std::int64_t GetFrequency() override;
    void SetPower(std::int32_t value) override;
    double GetSignalStrength() override;
    bool IsOpen() const override { return handle_ != 0; }
    // Binds the common exports; 0 without a library.
    int Bind() override;
    void Close() override;
    // Opens by index: the argument goes to the library's open as it is.
    int Open(const char* argument) override;

    // Writes bytes of the EEPROM and reads the image back; 1 on success.
    int WriteEeprom(std::uint32_t offset, std::uint32_t length, const void* data);
    // The same with the image read back into `image` (kEepromSize bytes) instead of the kept one,
    // for a thread other than the one that reads the kept image.
    int WriteEeprom(std::uint32_t offset, std::uint32_t length, const void* data, unsigned char* image);
    const unsigned char* Eeprom() const { return eeprom_; }
    std::int32_t Handle() const { return handle_; }
    bool HasLibrary() const { return module_ != nullptr; }

    // The common exports, null when not bound.
    decltype(&::CloseRadioDevice) pCloseRadioDevice = nullptr;
    decltype(&::Q7GetEEP) pQ7GetEEP = nullptr;
    decltype(&::Q7GetInfo) pQ7GetInfo = nullptr;
    decltype(&::Q7Open) pQ7Open = nullptr;
    decltype(&::Q7WriteEEPROM) pQ7WriteEEPROM = nullptr;
    decltype(&::IsDeviceConnected) pIsDeviceConnected = nullptr;
    decltype(&::OpenRadioDevice) pOpenRadioDevice = nullptr;
    decltype(&::SetAGC) pSetAGC = nullptr;
    decltype(&::SetAtten) pSetAtten = nullptr;
    decltype(&::SetFrequency) pSetFrequency = nullptr;
    decltype(&::SetIFGain) pSetIFGain = nullptr;
    decltype(&::SetPower) pSetPower = nullptr;
    decltype(&::Q7GetInternalRSSI) pQ7GetInternalRSSI = nullptr;
    decltype(&::Q7GetLock) pQ7GetLock = nullptr;
    decltype(&::Q7IsBusy) pQ7IsBusy = nullptr;
    decltype(&::GetFrequency) pGetFrequency = nullptr;
    decltype(&::GetHwInfo) pGetHwInfo = nullptr;
    decltype(&::GetSignalStrengthdBm) pGetSignalStrengthdBm = nullptr;

protected:
    // Loads the library by its system name (a path in tests); no library leaves every pointer null.
    void LoadLibrary(const char* name);
    // Steps shared by both opens: close, open through the library, read the EEPROM. 0 when the
    // library could not open the receiver.
    int OpenCommon(const char* argument);
    // Calls setter(handle, value) when open, bound and changed; caches on success.
    template <typename Fn>
    void SetCached(Fn* setter, std::int32_t& cache, std::int32_t value) {
        if (handle_ != 0 && setter != nullptr && value != cache && setter(handle_, value) != 0)
            cache = value;
    }
    template <typename T>
    void BindName(T& pointer, const char* name) {
        pointer = module_ ? reinterpret_cast<T>(module_->Symbol(name)) : nullptr;
    }

    std::unique_ptr<plat::sys::Module> module_;
    unsigned char eeprom_[kEepromSize] = {};
    std::int32_t handle_ = 0;
};
