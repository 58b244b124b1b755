#pragma once
// The plug-in's view of a receiver: the values it last set, and the operations a bound receiver
// carries out. This base only caches; RC_ReceiverApiBase and RC_ReceiverApi reach the receiver
// through the API library.

#include "demod/dsp/RC_Object.h"
#include "demod/dsp/RC_String.h"

#include <cstdint>

class RC_Receiver : public RC_Object {
public:
    // Interface kinds.
    enum Kind { kKindNone = 0, kKindPci = 4, kKindSerial = 5, kKindUsb = 6 };

    RC_Receiver() = default;
    ~RC_Receiver() override = default;

    virtual void SetAgc(std::int32_t value) { agc_ = value; }
    virtual void SetAttenuator(std::int32_t value) { attenuator_ = value; }
    virtual void SetIfGain(std::int32_t value) { ifGain_ = value; }
    virtual void SetRfAmp(std::int32_t value) { rfAmp_ = value; }
    virtual void SetFrequency(std::int64_t hz) { frequency_ = hz; }
    virtual std::int64_t GetFrequency() { return frequency_; }
    virtual void SetPower(std::int32_t value) { power_ = value; }
    // dBm.
    virtual double GetSignalStrength() { return 0.0; }
    virtual bool IsOpen() const { return false; }
    virtual int Bind() { return 0; }
    virtual void Close() {}
    virtual int Open(const char* serial) {
        (void)serial;
        return 0;
    }

    std::int32_t Agc() const { return agc_; }
    std::int32_t Attenuator() const { return attenuator_; }
    std::int32_t IfGain() const { return ifGain_; }
    std::int32_t RfAmp() const { return rfAmp_; }
    std::int64_t CachedFrequency() const { return frequency_; }
    std::int64_t LowestFrequency() const { return lowest_; }
    std::int64_t HighestFrequency() const { return highest_; }
    std::int32_t Power() const { return power_; }
    std::int32_t InterfaceKind() const { return kind_; }
    const RC_String& Description() const { return description_; }
    const RC_String& SerialNumber() const { return serial_; }

protected:
    std::int32_t agc_ = 0;
    std::int32_t attenuator_ = 0;
    std::int32_t ifGain_ = 0;
    RC_String description_;
    std::int32_t rfAmp_ = 0;
    std::int64_t frequency_ = 0;
    std::int64_t lowest_ = 0;
    std::int64_t highest_ = 0;
    std::int32_t power_ = 0;
    std::int32_t kind_ = kKindNone;
    RC_String serial_;
};
