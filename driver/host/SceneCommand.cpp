#include "driver/host/SceneCommand.h"

#include "driver/sim/LiveScene.h"

namespace lxq::host {

NtStatus SceneCommand::Run(const std::string& path, std::string& reply) {
    if (path.empty()) {
        reply = "usage: scene FILE";
        return kStatusInvalidParameter;
    }
    std::string error;
    auto scene = sim::BandScene::Load(path, &error);
    if (!scene) {
        reply = error;
        return kStatusInvalidParameter;
    }
    const std::size_t stations = scene->stations.size();
    sim::LiveScene::Replace(std::move(*scene));
    reply = "scene " + path + ": " + std::to_string(stations) + (stations == 1 ? " station" : " stations");
    return kStatusSuccess;
}

} // namespace lxq::host
