#include "driver/host/SceneIfSource.h"

#include "platform/audio/VirtualCardWire.h"

namespace lxq::host {

SceneIfSource::SceneIfSource(std::shared_ptr<sim::SimReceiver> receiver)
    : receiver_(std::move(receiver)), synth_(plat::audio::vsc::kSampleRate) {}

void SceneIfSource::Render(std::span<std::int16_t> samples) {
    synth_.Render(receiver_->IfState(), samples.data(), samples.size());
}

} // namespace lxq::host
