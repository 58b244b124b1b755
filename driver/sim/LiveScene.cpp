#include "driver/sim/LiveScene.h"

#include <atomic>

namespace lxq::sim {
namespace {

std::atomic<std::shared_ptr<const BandScene>>& Slot() {
    static std::atomic<std::shared_ptr<const BandScene>> slot{std::make_shared<const BandScene>(BandScene::Default())};
    return slot;
}

} // namespace

std::shared_ptr<const BandScene> LiveScene::Current() { return Slot().load(); }

void LiveScene::Replace(BandScene scene) { Slot().store(std::make_shared<const BandScene>(std::move(scene))); }

void LiveScene::Reset() { Replace(BandScene::Default()); }

} // namespace lxq::sim
