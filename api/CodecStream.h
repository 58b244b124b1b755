#pragma once
// The codec audio stream of a receiver with an audio codec: start and stop, reading audio out of
// the ring the driver host shares with this process, and the callback thread that runs each time
// the host signals new audio. Per receiver, in this process only.

#include "api/Lxq745Api.h"
#include "api/RadioLibrary.h"

#include <array>
#include <cstdint>
#include <memory>

namespace lxq::api {

class CodecStream {
public:
    explicit CodecStream(RadioLibrary& library) : library_(library) {}
    ~CodecStream();
    CodecStream(const CodecStream&) = delete;
    CodecStream& operator=(const CodecStream&) = delete;

    // 1 when the stream started; a null callback starts it without a thread (the caller polls).
    std::int32_t Start(std::int32_t index, LXQ_CODEC_CALLBACK callback, void* context);
    std::int32_t Stop(std::int32_t index);
    // Copies up to length bytes of audio; never waits (0 while another thread holds the stream).
    std::uint64_t Read(std::int32_t index, void* destination, std::uint64_t length);

    struct Resources;

private:
    RadioLibrary& library_;
    std::array<std::shared_ptr<Resources>, kRadioCount> resources_;
};

} // namespace lxq::api
