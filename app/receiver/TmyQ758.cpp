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
    ApiSet("SetRoofingFilter", v == kRoofingFilterIn ? 1 : 0, false);
}

std::int32_t TmyQ758::GetRoofFilter() {
    return ApiGet("GetRoofingFilter", 0) != 0 ? kRoofingFilterIn : 0;
}

} // namespace lxq
