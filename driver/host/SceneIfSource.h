#pragma once
// A pin's IF from the band: the scene's synthesiser at the card's rate, for what the pin's
// receiver is tuned to at each block.

#include "driver/host/VirtualCardServer.h"
#include "driver/sim/SceneIfSynthesizer.h"

namespace lxq::host {

class SceneIfSource final : public IfSource {
public:
    explicit SceneIfSource(std::shared_ptr<sim::SimReceiver> receiver);
    void Render(std::span<std::int16_t> samples) override;

private:
    std::shared_ptr<sim::SimReceiver> receiver_;
    sim::SceneIfSynthesizer synth_;
};

} // namespace lxq::host
