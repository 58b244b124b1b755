/* The receiver API library, liblxq745api.so: flat C functions that find, open and control the
 * receivers. Every function that acts on a receiver takes its index 1..16 (as returned by Q7Open
 * or OpenRadioDevice) first and answers only for a receiver that the calling process opened;
 * otherwise it returns 0 or the "no receiver" value its comment gives. Results 1/0 mean
 * success/failure. Several functions are exported under a second name as well (noted below).
 * Usable from C and C++. */
#ifndef LXQ745API_H
#define LXQ745API_H

#include <stddef.h>
#include <stdint.h>

#if defined(LXQ745API_BUILDING)
#define LXQ745API_EXPORT __attribute__((visibility("default")))
#else
#define LXQ745API_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* Description of one receiver. The caller sets `size`; at most that many bytes are filled. */
typedef struct RADIO_INFO {
    uint32_t size;
    char serial[9];          /* 8 characters and a terminator */
    char model[9];
    uint32_t minFrequency;   /* Hz */
    uint32_t maxFrequency;
    uint8_t bandCount;
    uint32_t bandEdges[8];
    uint8_t zero63[32];
    uint32_t firstIf;        /* Hz */
    uint8_t synthRangeCount;
    uint8_t synthEdges[32];
    uint8_t zero132[2];
    uint8_t eeprom224[8];
    uint8_t eeprom162[6];
    uint8_t zero148;
    uint8_t eeprom232[4];
    uint8_t eeprom173[11];
    uint8_t eeprom184[8];
    int32_t calibration[6];  /* words 3 and 4 sign-extended, the others zero-extended */
} RADIO_INFO;

/* The short description, used when the caller's size is 42 or less. */
typedef struct RADIO_INFO_SHORT {
    uint32_t size;
    char serial[9];
    char model[9];
    uint64_t minFrequency;
    uint64_t maxFrequency;
    uint32_t flags;          /* bit 0: capability bit 0; bit 1: FM-wide fitted */
} RADIO_INFO_SHORT;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(RADIO_INFO) == 196, "RADIO_INFO layout");
static_assert(sizeof(RADIO_INFO_SHORT) == 42, "RADIO_INFO_SHORT layout");
#else
_Static_assert(sizeof(RADIO_INFO) == 196, "RADIO_INFO layout");
_Static_assert(sizeof(RADIO_INFO_SHORT) == 42, "RADIO_INFO_SHORT layout");
#endif

/* Window handle that block-scan messages are posted to (the window system's 32-bit handle). */
typedef uint32_t LXQ_HWND;
/* Codec stream callback: called with the caller's context each time new audio is in the ring. */
typedef void (*LXQ_CODEC_CALLBACK)(void* context);

/* ---- Listing and opening ---- */
/* Receivers present (not simulated, free or the caller's): fills 172-byte records while they
 * fit and returns how many there are. */
LXQ745API_EXPORT int64_t Q7GetRadioList(void* buffer, size_t bufferSize);
/* The same with 196-byte RADIO_INFO records; *recordSize = 196. */
LXQ745API_EXPORT int64_t Q7GetRadioList2(void* buffer, size_t bufferSize, uint32_t* recordSize);
/* The same with 42-byte RADIO_INFO_SHORT records; *recordSize = 42. Also GetRadioList. */
LXQ745API_EXPORT int64_t Q7GetRadioList3(void* buffer, size_t bufferSize, uint32_t* recordSize);
LXQ745API_EXPORT int64_t GetRadioList(void* buffer, size_t bufferSize, uint32_t* recordSize);
/* Fills a RADIO_INFO (size > 42) or RADIO_INFO_SHORT for an open receiver and stores the size
 * used in its first field. Also GetInfo. */
LXQ745API_EXPORT int32_t Q7GetInfo(int32_t index, void* record);
LXQ745API_EXPORT int32_t GetInfo(int32_t index, void* record);

/* serial of exactly 8 characters: opens the receiver with that serial number (0 when none or
 * when the open fails); otherwise takes the first free simulated (demonstration) receiver.
 * Returns the index or 0. Also Open. */
LXQ745API_EXPORT int32_t Q7Open(const char* serial);
LXQ745API_EXPORT int32_t Open(const char* serial);
/* Opens receiver `index`, or with 0 the first free real receiver; returns the index or 0. */
LXQ745API_EXPORT int32_t OpenRadioDevice(int32_t index);
/* Gives one open back; the last one stops the codec stream and any block scan. */
LXQ745API_EXPORT int32_t CloseRadioDevice(int32_t index);

/* ---- Tuning ---- */
/* 0 outside the receiver's limits; 1 at once for the cached frequency. */
LXQ745API_EXPORT int32_t SetFrequency(int32_t index, uint32_t hz);
LXQ745API_EXPORT uint64_t GetFrequency(int32_t index);
/* Starts tuning without waiting for lock; Q7WaitFreqAsync then waits. Also SetFreqAsync,
 * WaitFreqAsync. */
LXQ745API_EXPORT int32_t Q7SetFreqAsync(int32_t index, uint32_t hz);
LXQ745API_EXPORT int32_t SetFreqAsync(int32_t index, uint32_t hz);
LXQ745API_EXPORT int32_t Q7WaitFreqAsync(int32_t index);
LXQ745API_EXPORT int32_t WaitFreqAsync(int32_t index);
/* Pipelined tuning: with `now` tunes at once, else records hz as pending for the next
 * Q7GetSSPipelined. 0 ok, 1 out of range, 2 failed or no receiver. Also SetFreqPipelined. */
LXQ745API_EXPORT int32_t Q7SetFreqPipelined(int32_t index, uint32_t hz, int32_t now,
                                            uint32_t dwell);
LXQ745API_EXPORT int32_t SetFreqPipelined(int32_t index, uint32_t hz, int32_t now, uint32_t dwell);
/* Tunes to the pending frequency and returns what was measured at the previous one (each output
 * may be null). 0 ok, 1 nothing pending, 2 request failed, 3 disconnected, 4 no receiver.
 * Also GetSSPipelined. */
LXQ745API_EXPORT int32_t Q7GetSSPipelined(int32_t index, int32_t* tenthsDbm, int32_t* raw,
                                          uint32_t* detectorLow, uint32_t* detectorHigh);
LXQ745API_EXPORT int32_t GetSSPipelined(int32_t index, int32_t* tenthsDbm, int32_t* raw,
                                        uint32_t* detectorLow, uint32_t* detectorHigh);

/* ---- Settings (set: 1/0, cached on success; get: the cached value) ---- */
LXQ745API_EXPORT int32_t SetPower(int32_t index, int32_t on);
LXQ745API_EXPORT int32_t GetPower(int32_t index);
LXQ745API_EXPORT int32_t SetAtten(int32_t index, int32_t on);
LXQ745API_EXPORT int32_t GetAtten(int32_t index);
LXQ745API_EXPORT int32_t SetAGC(int32_t index, int32_t mode);
LXQ745API_EXPORT int32_t GetAGC(int32_t index); /* no receiver: -1 */
LXQ745API_EXPORT int32_t SetIFGain(int32_t index, int32_t gain);
LXQ745API_EXPORT int32_t GetIFGain(int32_t index); /* no receiver: -1 */
LXQ745API_EXPORT int32_t SetRFAmp(int32_t index, int32_t state);
LXQ745API_EXPORT int32_t GetRFAmp(int32_t index);
/* Both need the FM-wide capability; without it set returns 0 and get returns 0. */
LXQ745API_EXPORT int32_t SetFMW(int32_t index, int32_t state);
LXQ745API_EXPORT int32_t GetFMW(int32_t index);
LXQ745API_EXPORT int32_t SetPllSpeed(int32_t index, int32_t option);
LXQ745API_EXPORT int32_t GetPllSpeed(int32_t index);
LXQ745API_EXPORT int32_t SetIF1ManGain(int32_t index, int32_t gain);
LXQ745API_EXPORT int32_t GetIF1ManGain(int32_t index);
LXQ745API_EXPORT int32_t SetIF2Frequency(int32_t index, int32_t hz);
LXQ745API_EXPORT int32_t GetIF2Frequency(int32_t index);
/* value, or -1 for automatic preselection. */
LXQ745API_EXPORT int32_t SetFilterVal(int32_t index, int32_t value);
/* band * 256 + preselector value, plus 0x10000 (automatic) or 0x20000 (forced) in bands 4..7. */
LXQ745API_EXPORT uint32_t GetFilterVal(int32_t index);
/* Preselector table of band 4..7: eight {uint32 Hz, uint32 value} nodes (64 bytes). */
LXQ745API_EXPORT int32_t SetFilterTbl(int32_t index, int32_t band, const void* nodes);
LXQ745API_EXPORT int32_t GetFilterTbl(int32_t index, int32_t band, void* nodes);
/* hz = 0: internal reference; else an external one of that frequency. Also SetRefClock. */
LXQ745API_EXPORT int32_t Q7SetRefClock(int32_t index, uint32_t hz);
LXQ745API_EXPORT int32_t SetRefClock(int32_t index, uint32_t hz);
/* Hz, -1 for no receiver or failure. Also GetRefClock. */
LXQ745API_EXPORT int32_t Q7GetRefClock(int32_t index);
LXQ745API_EXPORT int32_t GetRefClock(int32_t index);
LXQ745API_EXPORT int32_t SetLEDFlashPattern(int32_t index, int32_t pattern);

/* ---- State and measurement ---- */
/* Status byte (bit 0: lock). Also GetLock. */
LXQ745API_EXPORT int32_t Q7GetLock(int32_t index, int32_t flag);
LXQ745API_EXPORT int32_t GetLock(int32_t index, int32_t flag);
LXQ745API_EXPORT int32_t Q7IsBusy(int32_t index);
LXQ745API_EXPORT int32_t IsBusy(int32_t index);
/* Never waits: while a request runs it answers from the slot's disconnected mark. */
LXQ745API_EXPORT int32_t IsDeviceConnected(int32_t index);
/* S-meter value 0..255 measured now; -1 for no receiver or a failed measurement. */
LXQ745API_EXPORT int32_t GetRawSignalStrength(int32_t index);
/* Level in tenths of dBm measured now; -1 for no receiver or a failed measurement. */
LXQ745API_EXPORT int32_t GetSignalStrengthdBm(int32_t index);
/* The last measured level without touching the device; -1 for no receiver. Also GetLastSSdBm,
 * GetLastRawSS. */
LXQ745API_EXPORT int32_t Q7GetLastSSdBm(int32_t index);
LXQ745API_EXPORT int32_t GetLastSSdBm(int32_t index);
LXQ745API_EXPORT int32_t Q7GetLastRawSS(int32_t index);
LXQ745API_EXPORT int32_t GetLastRawSS(int32_t index);
/* Detector words a | b << 16. Also GetInternalRSSI. */
LXQ745API_EXPORT uint32_t Q7GetInternalRSSI(int32_t index);
LXQ745API_EXPORT uint32_t GetInternalRSSI(int32_t index);
LXQ745API_EXPORT int32_t Q7GetDebug(int32_t index, void* record64);
LXQ745API_EXPORT int32_t GetHw(int32_t index, void* buffer, uint32_t size);     /* >= 30 */
LXQ745API_EXPORT int32_t GetHwInfo(int32_t index, void* buffer, uint32_t size); /* >= 60 */
LXQ745API_EXPORT int32_t IsSpectrumInverted(int32_t index); /* no receiver: 1 */
LXQ745API_EXPORT int32_t IsUSVersion(int32_t index);        /* no receiver: 1 */

/* ---- EEPROM and calibration ---- */
LXQ745API_EXPORT int32_t ReadBands(int32_t index, uint32_t* edges8);
LXQ745API_EXPORT int32_t WriteBands(int32_t index, const uint32_t* edges8);
/* Copies the library's 256-byte copy of the receiver's EEPROM image. */
LXQ745API_EXPORT int32_t Q7GetEEP(int32_t index, void* eeprom256);
/* guard 0x6B3E; 1..255 bytes that must end within the 256-byte EEPROM. */
LXQ745API_EXPORT int32_t Q7WriteEEPROM(int32_t index, uint32_t guard, uint32_t offset,
                                       uint32_t count, const void* data);
/* A 22-byte calibration record, guard word 0x6B3E or 0x3D9F first. */
LXQ745API_EXPORT int32_t Q7WrCalib(int32_t index, const void* calib22);
LXQ745API_EXPORT int32_t Q7WrCalib2(int32_t index, uint32_t guard, uint32_t value);
/* Device path with its terminator; 0 when the buffer is too short. Also GetPath. */
LXQ745API_EXPORT int32_t Q7GetPath(int32_t index, char* buffer, uint32_t length);
LXQ745API_EXPORT int32_t GetPath(int32_t index, char* buffer, uint32_t length);
/* Address of the device path in the shared table; null for no receiver. Also GetPath2. */
LXQ745API_EXPORT const char* Q7GetPath2(int32_t index);
LXQ745API_EXPORT const char* GetPath2(int32_t index);

/* ---- Block scan ---- */
/* Measures each frequency of `list` on a worker thread and overwrites it with its S-meter value.
 * Progress messages (wParam = first entry not yet reported, lParam = number of entries) and a
 * final end message (0, 0) are posted to `window` with number `message`. Also BlockScan. */
LXQ745API_EXPORT int32_t Q7BlockScan(int32_t index, uint32_t* list, uint32_t count,
                                     int32_t stopLevel, uint32_t reportIntervalMs,
                                     LXQ_HWND window, uint32_t message);
LXQ745API_EXPORT int32_t BlockScan(int32_t index, uint32_t* list, uint32_t count,
                                   int32_t stopLevel, uint32_t reportIntervalMs, LXQ_HWND window,
                                   uint32_t message);
LXQ745API_EXPORT int32_t Q7StopBlockScan(int32_t index);
LXQ745API_EXPORT int32_t StopBlockScan(int32_t index);
LXQ745API_EXPORT int32_t Q7PauseBlockScan(int32_t index);
LXQ745API_EXPORT int32_t PauseBlockScan(int32_t index);
LXQ745API_EXPORT int32_t Q7ResumeBlockScan(int32_t index);
LXQ745API_EXPORT int32_t ResumeBlockScan(int32_t index);

/* ---- Codec stream (receivers with an audio codec) ---- */
LXQ745API_EXPORT int32_t CodecStart(int32_t index, LXQ_CODEC_CALLBACK callback, void* context);
LXQ745API_EXPORT int32_t CodecStop(int32_t index);
LXQ745API_EXPORT uint64_t CodecRead(int32_t index, void* destination, uint64_t length);
LXQ745API_EXPORT int32_t CodecSetGain(int32_t index, int32_t gain);

/* ---- Spectrum inverter ---- */
/* Mirrors a block of 16-bit mono samples in place about the receiver's IF2 frequency when
 * `invert` differs from the receiver's own inversion. bitsPerSample must be 16. Also
 * InvertSpectrum. */
LXQ745API_EXPORT int32_t Q7InvertSpectrum(int32_t index, int16_t* samples, size_t count,
                                          float sampleRate, size_t bitsPerSample, int32_t invert);
LXQ745API_EXPORT int32_t InvertSpectrum(int32_t index, int16_t* samples, size_t count,
                                        float sampleRate, size_t bitsPerSample, int32_t invert);

#ifdef __cplusplus
}
#endif

#endif /* LXQ745API_H */
