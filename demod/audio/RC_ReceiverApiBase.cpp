#include "demod/audio/RC_ReceiverApiBase.h"

RC_ReceiverApiBase::RC_ReceiverApiBase() {
    lowest_ = 9'000;
    highest_ = 30'000'000;
}

RC_ReceiverApiBase::~RC_ReceiverApiBase() {
    if (handle_ != 0 && pCloseRadioDevice != nullptr) pCloseRadioDevice(handle_);
    handle_ = 0;
}

void RC_ReceiverApiBase::LoadLibrary(const char* name) { module_ = plat::sys::Module::Load(name); }

int RC_ReceiverApiBase::Bind() {
    if (!module_) return 0;
    BindName(pCloseRadioDevice, "CloseRadioDevice");
    BindName(pQ7GetEEP, "Q7GetEEP");
    BindName(pQ7GetInfo, "Q7GetInfo");
    BindName(pQ7Open, "Q7Open");
    BindName(pQ7WriteEEPROM, "Q7WriteEEPROM");
    BindName(pIsDeviceConnected, "IsDeviceConnected");
    BindName(pOpenRadioDevice, "OpenRadioDevice");
    BindName(pSetAGC, "SetAGC");
    BindName(pSetAtten, "SetAtten");
    BindName(pSetFrequency, "SetFrequency");
    BindName(pSetIFGain, "SetIFGain");
    BindName(pSetPower, "SetPower");
    BindName(pQ7GetInternalRSSI, "Q7GetInternalRSSI");
    BindName(pQ7GetLock, "Q7GetLock");
    BindName(pQ7IsBusy, "Q7IsBusy");
    BindName(pGetFrequency, "GetFrequency");
    BindName(pGetHwInfo, "GetHwInfo");
    BindName(pGetSignalStrengthdBm, "GetSignalStrengthdBm");
    return 1;
}

void RC_ReceiverApiBase::SetAgc(std::int32_t value) { SetCached(pSetAGC, agc_, value); }
void RC_ReceiverApiBase::SetAttenuator(std::int32_t value) {
    SetCached(pSetAtten, attenuator_, value);
}
void RC_ReceiverApiBase::SetIfGain(std::int32_t value) { SetCached(pSetIFGain, ifGain_, value); }
void RC_ReceiverApiBase::SetPower(std::int32_t value) { SetCached(pSetPower, power_, value); }

void RC_ReceiverApiBase::SetFrequency(std::int64_t hz) {
    // Both halves are compared, though only the low 32 bits reach the library.
    if (handle_ == 0 || pSetFrequency == nullptr || hz == frequency_) return;
    if (pSetFrequency(handle_, static_cast<std::uint32_t>(static_cast<std::uint64_t>(hz))) != 0)
        frequency_ = hz;
}

std::int64_t RC_ReceiverApiBase::GetFrequency() {
    if (handle_ != 0 && pGetFrequency != nullptr)
        frequency_ = static_cast<std::uint32_t>(pGetFrequency(handle_));
    return frequency_;
}

double RC_ReceiverApiBase::GetSignalStrength() {
    if (handle_ == 0 || pGetSignalStrengthdBm == nullptr) return 0.0;
    return pGetSignalStrengthdBm(handle_) * 0.1;
}

int RC_ReceiverApiBase::OpenCommon(const char* argument) {
    if (handle_ != 0) Close();
    if (pQ7Open == nullptr) return 0;
    handle_ = pQ7Open(argument);
    if (handle_ == 0) return 0;
    if (pQ7GetEEP != nullptr) pQ7GetEEP(handle_, eeprom_);
    return 1;
}

int RC_ReceiverApiBase::Open(const char* argument) { return OpenCommon(argument); }

void RC_ReceiverApiBase::Close() {
    if (handle_ == 0) return;
    if (pCloseRadioDevice != nullptr) pCloseRadioDevice(handle_);
    handle_ = 0;
    serial_.SetLength(0);
    description_.SetLength(0);
    kind_ = kKindNone;
}

int RC_ReceiverApiBase::WriteEeprom(std::uint32_t offset, std::uint32_t length, const void* data) {
    return WriteEeprom(offset, length, data, eeprom_);
}

int RC_ReceiverApiBase::WriteEeprom(std::uint32_t offset, std::uint32_t length, const void* data,
                                    unsigned char* image) {
    if (handle_ == 0 || pQ7WriteEEPROM == nullptr) return 0;
    if (pQ7WriteEEPROM(handle_, kEepromGuard, offset, length, data) == 0) return 0;
    if (pQ7GetEEP != nullptr) pQ7GetEEP(handle_, image);
    return 1;
}
