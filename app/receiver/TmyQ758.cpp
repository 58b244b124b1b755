#include "app/receiver/TmyQ758.h"

namespace lxq {
namespace {
constexpr std::int32_t kRoofingFilterIn = 15;
} // namespace

TmyQ758::TmyQ758(plat::comp::TComponent* owner) : TmyQ786(owner) {
    SetCalFile("lxq758.cal");
    SetCalibSection("LX-Q758");
}

void TmyQ758::SetRoofFilter(std::int32_t v) {
    using SetFn = std::int32_t(std::int32_t, std::int32_t);
    if (auto* set = Api<SetFn>("SetRoofingFilter")) set(Handle(), v == kRoofingFilterIn ? 1 : 0);
}

std::int32_t TmyQ758::GetRoofFilter() {
    using GetFn = std::int32_t(std::int32_t);
    auto* get = Api<GetFn>("GetRoofingFilter");
    return get && get(Handle()) != 0 ? kRoofingFilterIn : 0;
}

} // namespace lxq
