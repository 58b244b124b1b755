#pragma once
// The channel of the virtual sound card: how the audio layer finds the card the driver host
// serves, opens its reference paths and sends it requests, and how the host listens for them.
// Its socket lives beside the receivers' channel in the user's private runtime folder, and a
// client talks to it only when it is served by the user's own host (or root), as on that channel.
// Statuses are those of the receivers' channel (0 = success).

#include "platform/sys/DeviceChannel.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace plat::audio {

// The card's channel name for the current LXQ745_NS ("lxq745d.<namespace>.vsc"; see sys::ChannelPath).
std::string VirtualCardAddress();

// The card's present interface paths; empty when no host serves a card.
std::vector<std::string> VirtualCardInterfaces();

// An open reference path of the card: the counterpart of a file handle on it.
class VirtualCardHandle {
public:
    // wire::kStatusNoSuchDevice when no card serves the path.
    std::uint32_t Open(const std::string& path);
    bool IsOpen() const { return socket_.Valid(); }
    // One device-control request; the answer's bytes go to out (up to outLength), their count to
    // *bytes. passFd travels with the request; a descriptor in the answer goes to *receivedFd.
    std::uint32_t Control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                          std::uint32_t outLength, std::uint64_t* bytes, int passFd = -1,
                          int* receivedFd = nullptr);
    // The connection: it reports a hang-up when the card goes away.
    int Descriptor() const { return socket_.Fd(); }
    void Close() { socket_.Close(); }

private:
    sys::ChannelSocket socket_;
    std::mutex mutex_;
    std::uint32_t nextId_ = 1;
};

// The host's side: listens on the card's address and hands out connections of callers of its
// own user (or root).
class VirtualCardListener {
public:
    VirtualCardListener() = default;
    ~VirtualCardListener() { Close(); }
    VirtualCardListener(const VirtualCardListener&) = delete;
    VirtualCardListener& operator=(const VirtualCardListener&) = delete;

    // False when another host serves the card of this namespace, or its address cannot be the
    // user's own (Refusal() tells which).
    bool Listen();
    const std::string& Refusal() const { return refusal_; }
    int Descriptor() const { return fd_; }
    // One waiting connection (the listener is readable); invalid when it was no admitted caller.
    sys::ChannelSocket Accept();
    void Close();

private:
    int fd_ = -1;
    std::string name_;
    std::string refusal_;
};

} // namespace plat::audio
