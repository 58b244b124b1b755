#include "platform/audio/AudioBackend.h"

#include <cstring>

namespace plat::audio {

Result AudioBackend::QueryFormat(Direction direction, std::uint32_t id, void* record, std::size_t length) {
    if (record == nullptr || length < sizeof(WaveFormat)) return Result::InvalidParam;
    WaveFormat format;
    std::memcpy(&format, record, sizeof format);
    if (direction == Direction::Capture) {
        std::unique_ptr<CaptureStream> stream;
        return OpenCapture(id, format, true, stream);
    }
    std::unique_ptr<PlaybackStream> stream;
    return OpenPlayback(id, format, true, stream);
}

} // namespace plat::audio
