#include "app/forms/RangeRow.h"

#include <cstring>

#include "app/controls/FloatText.h"
#include "app/forms/ModeNames.h"
#include "app/forms/ShortText.h"
#include "app/forms/SquelchTexts.h"
#include "app/receiver/SquelchSettings.h"
#include "platform/components/Graphics.h"
#include "platform/components/TCanvas.h"

namespace lxq {

using namespace plat::comp;

namespace {
constexpr TColor kSelectedRow = 0x636363; // 99, 99, 99
constexpr TColor kRow = 0x404040;         // 64, 64, 64
} // namespace

std::string RangeSquelchText(const TRangeRecord& r) {
    const auto types = static_cast<std::uint32_t>(r.activeSquelch);
    const std::string level = (types & kSquelchLevel) ? std::to_string(r.levelSquelch) : std::string();
    std::string second;
    if (types & kSquelchNoise) second = "N" + std::to_string(r.noiseSquelch);
    else if (types & kSquelchVoice) second = "V" + std::to_string(r.voiceSquelch);
    else if (types & kSquelchCtcss) second = "C" + CtcssText(r.ctcss);
    else if (types & kSquelchDcs) second = "D" + DcsText(r.dcs);
    if (!level.empty() && !second.empty()) return level + "/" + second;
    if (!level.empty()) return level;
    if (!second.empty()) return second;
    return "none";
}

void DrawRangeRow(TCanvas& c, const TRect& rect, const TRangeRecord& r, bool selected, const RangeColumns& columns,
                  int right) {
    c.Brush().SetColor(selected ? kSelectedRow : kRow);
    c.FillRect(rect);
    c.Font().SetColor(selected ? clYellow : clLime);
    const std::string texts[] = {Freq2str(r.lower), Freq2str(r.upper), Freq2str(r.step),
                                 std::string(ModeName(r.mode)), RangeSquelchText(r),
                                 std::string(r.description, strnlen(r.description, sizeof r.description))};
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const int left = rect.left + columns[k];
        const int width = (k + 1 < columns.size() ? rect.left + columns[k + 1] : right) - left;
        const std::string t = ShortenText(texts[k], [&](const std::string& s) { return c.TextWidth(s) > width; });
        c.TextOut(left + (width - c.TextWidth(t)) / 2, rect.top, t);
    }
}

} // namespace lxq
