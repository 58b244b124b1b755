#pragma once
// A simulated receiver on USB: descriptors with an idle and a streaming alternate setting, every
// vendor request with its status reply, tuner-state messages on the bulk pipe acknowledged on the
// status pipe, and isochronous audio at 64 samples a frame: the receiver's IF from the band scene
// when the receiver follows the scene, otherwise a known waveform (a 16-bit ramp). Faults can be injected: transfers delivered out of order, packet errors and loss, a
// receiver that never acknowledges, a busy status, and the device pulled out.
// Completions run in order, one at a time, as a USB stack's would: those of a push message and of
// a status read (a tune's) on the thread that submitted it when no completion is running, so
// that a tune costs no round trip to another thread; the rest on the simulator's own event
// thread. Audio moves only when told to (DeliverAudio) or, for the driver host, in real time,
// while the audio setting is selected.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "driver/sim/SceneIfSynthesizer.h"
#include "driver/sim/SimReceiver.h"
#include "driver/transport/UsbDevice.h"

namespace lxq::sim {

// The waveform's sample n (little-endian 16-bit on the wire).
inline std::int16_t SimWaveformSample(std::uint64_t n) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(n * 7)); }
inline constexpr std::uint32_t kSimAudioBytesPerPacket = 128; // 64 samples: 64 kHz at one packet a millisecond
inline constexpr double kSimCodecRate = 64000.0;

class UsbReceiverSimulator final : public transport::UsbDevice {
public:
    explicit UsbReceiverSimulator(SimReceiver& receiver);
    // Keeps the receiver alive with the simulator (the driver host's simulated devices).
    explicit UsbReceiverSimulator(std::shared_ptr<SimReceiver> receiver) : UsbReceiverSimulator(*receiver) { owner_ = std::move(receiver); }
    ~UsbReceiverSimulator() override;

    // UsbDevice
    NtStatus GetDescriptor(std::uint8_t type, std::uint8_t index, std::vector<std::uint8_t>& out) override;
    NtStatus SelectConfiguration(std::uint8_t configuration, std::uint8_t alternate) override;
    NtStatus ResetPipe(std::uint8_t endpoint) override;
    void CancelPipe(std::uint8_t endpoint) override;
    NtStatus CyclePort() override;
    NtStatus VendorIn(std::uint8_t request, std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                      std::size_t length, std::size_t& transferred, plat::sys::Nanoseconds timeout) override;
    NtStatus VendorOut(std::uint8_t request, std::uint16_t value, std::uint16_t index, const std::uint8_t* data,
                       std::size_t length, plat::sys::Nanoseconds timeout) override;
    NtStatus BulkOut(std::uint8_t endpoint, const std::uint8_t* data, std::size_t length, BulkDone done) override;
    NtStatus ReadIn(std::uint8_t endpoint, std::size_t length, ReadDone done) override;
    NtStatus SubmitIso(std::uint8_t endpoint, std::size_t packets, std::size_t packetSize, IsoDone done) override;

    // Audio: completes the next `transfers` isochronous transfers (those submitted) with the
    // waveform, applying the injected faults, and waits until their completions have run.
    // Returns how many were completed.
    int DeliverAudio(int transfers);
    // Paces audio in real time (one transfer each 16 ms) until stopped; for the driver host.
    void StartRealTime();
    void StopRealTime();
    // Waits until every completion queued so far has run.
    void Flush();

    // Fault injection.
    void SwapNextTransfers();             // the next two transfers complete in reverse order
    void LosePackets(int count);          // the next packets fail (no data, counted lost)
    void FailNextTransfer(NtStatus status);
    void SetAcknowledging(bool on);       // push messages are (not) acknowledged
    void HoldStatus(bool on);             // status messages wait (a slow completion) until released
    void SetBusyPolls(int polls);         // status replies show busy this many times
    void Unplug();                        // every request and transfer fails as the device is gone

    // What the receiver saw.
    std::uint8_t Alternate() const;
    int PushMessages() const;
    int PortCycles() const;
    std::uint8_t LastPushSequence() const;
    std::uint8_t CodecGain() const;
    std::uint64_t SamplesSent() const;    // waveform samples put on the bus (lost ones included)
    int PendingAudio() const;

private:
    struct PendingIso {
        std::size_t packets;
        std::size_t packetSize;
        IsoDone done;
    };
    struct PendingRead {
        ReadDone done;
    };

    void Post(std::function<void()> work);
    // Runs the completions queued so far on this thread, unless one is running elsewhere (whose
    // thread then runs them after its own). Called without the mutex.
    void CompleteHere();
    void EventLoop();
    NtStatus BulkOutLocked(std::uint8_t endpoint, const std::uint8_t* data, std::size_t length, BulkDone& done);
    void Acknowledge(std::uint8_t sequence, std::uint16_t a, std::uint16_t b);
    void DeliverStatusLocked();
    // Completes every pending transfer of the pipe with the status.
    void EndAudioLocked(NtStatus status);
    void EndStatusReadsLocked(NtStatus status);

    SimReceiver& receiver_;
    std::shared_ptr<SimReceiver> owner_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;       // a completion ran (Flush waits for the last)
    std::condition_variable workReady_;     // the event thread's: work was posted, or stop
    std::condition_variable realTimeWake_;  // the audio pacer's: stop, or the audio setting selected
    std::deque<std::function<void()>> work_;
    bool busyWorking_ = false;  // a completion runs now, on whichever thread
    bool completeHere_ = false; // completions posted now are run by the submitting thread
    bool stop_ = false;
    std::thread eventThread_;
    std::thread realTime_;
    bool realTimeStop_ = false;

    std::uint8_t configuration_ = 0;
    std::uint8_t alternate_ = 0;
    bool gone_ = false;
    bool acknowledging_ = true;
    bool holdStatus_ = false;
    int busyPolls_ = 0;
    int pushMessages_ = 0;
    int portCycles_ = 0;
    std::uint8_t lastSequence_ = 0;
    std::uint8_t codecGain_ = 0;
    std::deque<PendingIso> iso_;
    std::deque<PendingRead> statusReads_;
    std::deque<std::array<std::uint8_t, 8>> statusMessages_;
    std::uint32_t frame_ = 1000;
    std::uint64_t sample_ = 0;
    SceneIfSynthesizer synth_{kSimCodecRate};
    std::vector<std::int16_t> block_;
    int losePackets_ = 0;
    bool swapNext_ = false;
    NtStatus failNext_ = kStatusSuccess;
};

} // namespace lxq::sim
