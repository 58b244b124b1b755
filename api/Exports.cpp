// The exported C functions of liblxq745api.so. Each forwards to the process's library instance,
// created when the library is loaded and destroyed when it is unloaded. No exception ever leaves
// an export: a failure inside answers the export's "no receiver" value.

#include "api/Lxq745Api.h"
#include "api/RadioInfo.h"
#include "api/ReceiverApi.h"

using lxq::api::ReceiverApi;

namespace {

ReceiverApi* g_api = nullptr;

__attribute__((constructor)) void LoadLibrary() {
    try {
        g_api = new ReceiverApi();
    } catch (...) {
        g_api = nullptr;
    }
}

__attribute__((destructor)) void UnloadLibrary() {
    try {
        delete g_api;
    } catch (...) {
    }
    g_api = nullptr;
}

template <typename R, typename F> R Call(R none, F body) {
    try {
        return g_api ? body(*g_api) : none;
    } catch (...) {
        return none;
    }
}

} // namespace

// Defines the export `name`, and `alias` as a second name for the same body.
#define LXQ_ALIAS(ret, name, second, params) ret second params __attribute__((alias(#name)))

extern "C" {

int64_t Q7GetRadioList(void* buffer, size_t size) {
    return Call<int64_t>(0, [&](ReceiverApi& a) {
        return a.Library().ListRadios(buffer, size, lxq::api::kRadioListRecordSize);
    });
}
int64_t Q7GetRadioList2(void* buffer, size_t size, uint32_t* recordSize) {
    return Call<int64_t>(0, [&](ReceiverApi& a) {
        if (recordSize) *recordSize = lxq::api::kRadioInfoSize;
        return a.Library().ListRadios(buffer, size, lxq::api::kRadioInfoSize);
    });
}
int64_t Q7GetRadioList3(void* buffer, size_t size, uint32_t* recordSize) {
    return Call<int64_t>(0, [&](ReceiverApi& a) {
        if (recordSize) *recordSize = lxq::api::kRadioInfoShortSize;
        return a.Library().ListRadios(buffer, size, lxq::api::kRadioInfoShortSize);
    });
}
LXQ_ALIAS(int64_t, Q7GetRadioList3, GetRadioList, (void*, size_t, uint32_t*));

int32_t Q7GetInfo(int32_t index, void* record) {
    return Call<int32_t>(0, [&](ReceiverApi& a) { return a.Library().GetInfo(index, record); });
}
LXQ_ALIAS(int32_t, Q7GetInfo, GetInfo, (int32_t, void*));

int32_t Q7Open(const char* serial) {
    return Call<int32_t>(0, [&](ReceiverApi& a) { return a.Library().Open(serial); });
}
LXQ_ALIAS(int32_t, Q7Open, Open, (const char*));
int32_t OpenRadioDevice(int32_t index) {
    return Call<int32_t>(0, [&](ReceiverApi& a) { return a.Library().OpenRadioDevice(index); });
}
int32_t CloseRadioDevice(int32_t index) {
    return Call<int32_t>(0, [&](ReceiverApi& a) { return a.Library().CloseRadioDevice(index); });
}

#define LXQ_CONTROL(ret, none, name, method, params, args)                                       \
    ret name params {                                                                             \
        return Call<ret>(none, [&](ReceiverApi& a) { return a.Control().method args; });         \
    }

LXQ_CONTROL(int32_t, 0, SetFrequency, SetFrequency, (int32_t i, uint32_t hz), (i, hz))
LXQ_CONTROL(uint64_t, 0, GetFrequency, GetFrequency, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, Q7SetFreqAsync, SetFreqAsync, (int32_t i, uint32_t hz), (i, hz))
LXQ_ALIAS(int32_t, Q7SetFreqAsync, SetFreqAsync, (int32_t, uint32_t));
LXQ_CONTROL(int32_t, 0, Q7WaitFreqAsync, WaitFreqAsync, (int32_t i), (i))
LXQ_ALIAS(int32_t, Q7WaitFreqAsync, WaitFreqAsync, (int32_t));
LXQ_CONTROL(int32_t, 2, Q7SetFreqPipelined, SetFreqPipelined,
            (int32_t i, uint32_t hz, int32_t now, uint32_t dwell), (i, hz, now, dwell))
LXQ_ALIAS(int32_t, Q7SetFreqPipelined, SetFreqPipelined, (int32_t, uint32_t, int32_t, uint32_t));
LXQ_CONTROL(int32_t, 4, Q7GetSSPipelined, GetSSPipelined,
            (int32_t i, int32_t* level, int32_t* raw, uint32_t* lo, uint32_t* hi),
            (i, level, raw, lo, hi))
LXQ_ALIAS(int32_t, Q7GetSSPipelined, GetSSPipelined, (int32_t, int32_t*, int32_t*, uint32_t*,
                                                    uint32_t*));

LXQ_CONTROL(int32_t, 0, SetPower, SetPower, (int32_t i, int32_t v), (i, v))
LXQ_CONTROL(int32_t, 0, GetPower, GetPower, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, SetAtten, SetAtten, (int32_t i, int32_t v), (i, v))
LXQ_CONTROL(int32_t, 0, GetAtten, GetAtten, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, SetAGC, SetAgc, (int32_t i, int32_t v), (i, v))
LXQ_CONTROL(int32_t, -1, GetAGC, GetAgc, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, SetIFGain, SetIfGain, (int32_t i, int32_t v), (i, v))
LXQ_CONTROL(int32_t, -1, GetIFGain, GetIfGain, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, SetRFAmp, SetRfAmp, (int32_t i, int32_t v), (i, v))
LXQ_CONTROL(int32_t, 0, GetRFAmp, GetRfAmp, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, SetFMW, SetFmw, (int32_t i, int32_t v), (i, v))
LXQ_CONTROL(int32_t, 0, GetFMW, GetFmw, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, SetPllSpeed, SetPllSpeed, (int32_t i, int32_t v), (i, v))
LXQ_CONTROL(int32_t, 0, GetPllSpeed, GetPllSpeed, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, SetIF1ManGain, SetIf1ManGain, (int32_t i, int32_t v), (i, v))
LXQ_CONTROL(int32_t, 0, GetIF1ManGain, GetIf1ManGain, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, SetIF2Frequency, SetIf2Frequency, (int32_t i, int32_t v), (i, v))
LXQ_CONTROL(int32_t, 0, GetIF2Frequency, GetIf2Frequency, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, SetFilterVal, SetFilterVal, (int32_t i, int32_t v), (i, v))
LXQ_CONTROL(uint32_t, 0, GetFilterVal, GetFilterVal, (int32_t i), (i))
LXQ_CONTROL(int32_t, 0, SetFilterTbl, SetFilterTbl, (int32_t i, int32_t band, const void* nodes),
            (i, band, nodes))
LXQ_CONTROL(int32_t, 0, GetFilterTbl, GetFilterTbl, (int32_t i, int32_t band, void* nodes),
            (i, band, nodes))
LXQ_CONTROL(int32_t, 0, Q7SetRefClock, SetRefClock, (int32_t i, uint32_t hz), (i, hz))
LXQ_ALIAS(int32_t, Q7SetRefClock, SetRefClock, (int32_t, uint32_t));
LXQ_CONTROL(int32_t, -1, Q7GetRefClock, GetRefClock, (int32_t i), (i))
LXQ_ALIAS(int32_t, Q7GetRefClock, GetRefClock, (int32_t));
LXQ_CONTROL(int32_t, 0, SetLEDFlashPattern, SetLedFlashPattern, (int32_t i, int32_t v), (i, v))

LXQ_CONTROL(int32_t, 0, Q7GetLock, GetLock, (int32_t i, int32_t flag), (i, flag))
LXQ_ALIAS(int32_t, Q7GetLock, GetLock, (int32_t, int32_t));
LXQ_CONTROL(int32_t, 0, Q7IsBusy, IsBusy, (int32_t i), (i))
LXQ_ALIAS(int32_t, Q7IsBusy, IsBusy, (int32_t));
LXQ_CONTROL(int32_t, 0, IsDeviceConnected, IsDeviceConnected, (int32_t i), (i))
LXQ_CONTROL(int32_t, -1, GetRawSignalStrength, GetRawSignalStrength, (int32_t i), (i))
LXQ_CONTROL(int32_t, -1, GetSignalStrengthdBm, GetSignalStrengthDbm, (int32_t i), (i))
LXQ_CONTROL(int32_t, -1, Q7GetLastSSdBm, GetLastSsDbm, (int32_t i), (i))
LXQ_ALIAS(int32_t, Q7GetLastSSdBm, GetLastSSdBm, (int32_t));
LXQ_CONTROL(int32_t, -1, Q7GetLastRawSS, GetLastRawSs, (int32_t i), (i))
LXQ_ALIAS(int32_t, Q7GetLastRawSS, GetLastRawSS, (int32_t));
LXQ_CONTROL(uint32_t, 0, Q7GetInternalRSSI, GetInternalRssi, (int32_t i), (i))
LXQ_ALIAS(uint32_t, Q7GetInternalRSSI, GetInternalRSSI, (int32_t));
LXQ_CONTROL(int32_t, 0, Q7GetDebug, GetDebug, (int32_t i, void* record), (i, record))
LXQ_CONTROL(int32_t, 0, GetHw, GetHw, (int32_t i, void* b, uint32_t n), (i, b, n))
LXQ_CONTROL(int32_t, 0, GetHwInfo, GetHwInfo, (int32_t i, void* b, uint32_t n), (i, b, n))
LXQ_CONTROL(int32_t, 1, IsSpectrumInverted, IsSpectrumInverted, (int32_t i), (i))
LXQ_CONTROL(int32_t, 1, IsUSVersion, IsUsVersion, (int32_t i), (i))

LXQ_CONTROL(int32_t, 0, ReadBands, ReadBands, (int32_t i, uint32_t* edges), (i, edges))
LXQ_CONTROL(int32_t, 0, WriteBands, WriteBands, (int32_t i, const uint32_t* edges), (i, edges))
LXQ_CONTROL(int32_t, 0, Q7GetEEP, GetEeprom, (int32_t i, void* image), (i, image))
LXQ_CONTROL(int32_t, 0, Q7WriteEEPROM, WriteEeprom,
            (int32_t i, uint32_t guard, uint32_t offset, uint32_t count, const void* data),
            (i, guard, offset, count, data))
LXQ_CONTROL(int32_t, 0, Q7WrCalib, WrCalib, (int32_t i, const void* calib), (i, calib))
LXQ_CONTROL(int32_t, 0, Q7WrCalib2, WrCalib2, (int32_t i, uint32_t guard, uint32_t value),
            (i, guard, value))
LXQ_CONTROL(int32_t, 0, Q7GetPath, GetPath, (int32_t i, char* buffer, uint32_t length),
            (i, buffer, length))
LXQ_ALIAS(int32_t, Q7GetPath, GetPath, (int32_t, char*, uint32_t));
LXQ_CONTROL(const char*, nullptr, Q7GetPath2, GetPath2, (int32_t i), (i))
LXQ_ALIAS(const char*, Q7GetPath2, GetPath2, (int32_t));
LXQ_CONTROL(int32_t, 0, CodecSetGain, CodecSetGain, (int32_t i, int32_t gain), (i, gain))

int32_t Q7BlockScan(int32_t index, uint32_t* list, uint32_t count, int32_t stopLevel,
                    uint32_t reportIntervalMs, LXQ_HWND window, uint32_t message) {
    return Call<int32_t>(0, [&](ReceiverApi& a) {
        return a.Scanner().Start(index, list, count, stopLevel, reportIntervalMs, window, message);
    });
}
LXQ_ALIAS(int32_t, Q7BlockScan, BlockScan, (int32_t, uint32_t*, uint32_t, int32_t, uint32_t,
                                          LXQ_HWND, uint32_t));
int32_t Q7StopBlockScan(int32_t index) {
    return Call<int32_t>(0, [&](ReceiverApi& a) { return a.Scanner().Stop(index); });
}
LXQ_ALIAS(int32_t, Q7StopBlockScan, StopBlockScan, (int32_t));
int32_t Q7PauseBlockScan(int32_t index) {
    return Call<int32_t>(0, [&](ReceiverApi& a) { return a.Scanner().Pause(index); });
}
LXQ_ALIAS(int32_t, Q7PauseBlockScan, PauseBlockScan, (int32_t));
int32_t Q7ResumeBlockScan(int32_t index) {
    return Call<int32_t>(0, [&](ReceiverApi& a) { return a.Scanner().Resume(index); });
}
LXQ_ALIAS(int32_t, Q7ResumeBlockScan, ResumeBlockScan, (int32_t));

int32_t CodecStart(int32_t index, LXQ_CODEC_CALLBACK callback, void* context) {
    return Call<int32_t>(0, [&](ReceiverApi& a) { return a.Codec().Start(index, callback, context); });
}
int32_t CodecStop(int32_t index) {
    return Call<int32_t>(0, [&](ReceiverApi& a) { return a.Codec().Stop(index); });
}
uint64_t CodecRead(int32_t index, void* destination, uint64_t length) {
    return Call<uint64_t>(0, [&](ReceiverApi& a) { return a.Codec().Read(index, destination, length); });
}

int32_t Q7InvertSpectrum(int32_t index, int16_t* samples, size_t count, float sampleRate,
                         size_t bitsPerSample, int32_t invert) {
    return Call<int32_t>(0, [&](ReceiverApi& a) {
        return a.InvertSpectrum(index, samples, count, sampleRate, bitsPerSample, invert);
    });
}
LXQ_ALIAS(int32_t, Q7InvertSpectrum, InvertSpectrum, (int32_t, int16_t*, size_t, float, size_t,
                                                    int32_t));

} // extern "C"
