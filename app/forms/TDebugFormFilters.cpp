// The "Tuneable Filters" page: which band the receiver's preselector is in, and the conversion
// of a receiver with the old filter layout to the new band filters.

#include "app/controls/TmyImage.h"
#include "app/forms/BandFilterCut.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/TDebugForm.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"
#include "platform/components/TTabSheet.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr std::int32_t kOldLayoutFlag = 0x1000000;
constexpr std::int32_t kConvertedBand = 6;
constexpr TColor kNodeColour = 0x00FF00;
constexpr TColor kEdgeColour = 0xFF0000;
constexpr TColor kPointColour = 0x0000FF;
constexpr TColor kMarkerColour = 0x00FFFF;
constexpr TColor kCrossColour = 0x0088FF;

std::string MHz(std::uint32_t hz) { return std::to_string(hz / 1'000'000) + "MHz"; }

struct EepromPatch {
    std::uint8_t address;
    std::vector<std::uint8_t> bytes;
    const char* failure;
};

std::vector<std::uint8_t> LittleEndian(std::initializer_list<std::uint32_t> values) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t v : values)
        for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
    return out;
}

// The fifth band's filter rows as {step, value} pairs, its range edges, and the band edge.
const std::vector<EepromPatch>& NewBandPatches() {
    static const std::vector<EepromPatch> patches = {
        {0x10,
         {0x00, 0x3F, 0x5A, 0x70, 0x6E, 0x78, 0x96, 0x88, 0xAF, 0x95, 0xC8, 0xA5, 0xE1, 0xD0, 0xFA, 0xFF},
         "Writing EEPROM at 0x10-0x1f failed !"},
        {0x84, LittleEndian({315'000'000, 400'000'000, 400'000'000}), "Writing EEPROM at 0x84-0x8f failed !"},
        {0x6C, LittleEndian({400'000'000}), "Writing EEPROM at 0x6c-0x6f failed !"},
    };
    return patches;
}

} // namespace

void TDebugForm::BuildFilterPage() {
    FilterBandLabel = Place<TLabel>(this, FiltersPage, 10, 6, 300, 16);
    FilterPlot = Place<TmyImage>(this, FiltersPage, 10, 26, 520, 320);
    FilterLowLabel = Place<TLabel>(this, FiltersPage, 10, 350, 100, 16);
    FilterNodeLabel = Place<TLabel>(this, FiltersPage, 200, 350, 160, 16);
    FilterHighLabel = Place<TLabel>(this, FiltersPage, 460, 350, 70, 16);
    FilterHighLabel->SetAlignment(TAlignment::taRightJustify);
    auto button = [this](int x, const char* caption) {
        auto* b = Place<TButton>(this, FiltersPage, x, 390, 110, 24);
        b->SetCaption(caption);
        return b;
    };
    PlotPointButton = button(10, "Plot Point");
    ClearPointsButton = button(130, "Clear Points");
    SaveMapButton = button(250, "Save map");
    NewBandFiltersButton = button(400, "New band filters");
    PlotPointButton->OnClick = [this](TObject* s) { PlotPointButtonClick(s); };
    ClearPointsButton->OnClick = [this](TObject* s) { ClearPointsButtonClick(s); };
    SaveMapButton->OnClick = [this](TObject* s) { SaveMapButtonClick(s); };
    NewBandFiltersButton->OnClick = [this](TObject* s) { NewBandFiltersButtonClick(s); };
    FilterPlot->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState st, int x, int y) {
        FilterPlotMouseDown(s, b, st, x, y);
    };
    FilterPlot->OnMouseMove = [this](TObject* s, TShiftState st, int x, int y) { FilterPlotMouseMove(s, st, x, y); };
    FilterPlot->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState st, int x, int y) {
        FilterPlotMouseUp(s, b, st, x, y);
    };
    FilterPlot->OnResize = [this](TObject* s) { FilterPlotResize(s); };
}

// The filter word: value in bits 0-7, band in 8-15, a tuneable flag in 16-23, the old layout in
// bit 24.
void TDebugForm::ReloadFilterPage() {
    rx_->AskFilterPage(shownBand_, [alive = Alive(), this](const TmyQ745::FilterPage& page) {
        if (!alive.expired()) ShowFilterPage(page);
    });
}

void TDebugForm::ShowFilterPage(const TmyQ745::FilterPage& page) {
    const std::int32_t word = page.word;
    const int band = (word >> 8) & 0xFF;
    tuneable_ = ((word >> 16) & 0xFF) != 0;
    if (band != shownBand_) {
        map_.points.clear();
        if (page.haveTable) std::copy(std::begin(page.nodes), std::end(page.nodes), map_.nodes.begin());
        shownBand_ = band;
    }
    marker_ = {static_cast<std::uint32_t>(rx_->GetFreq()), static_cast<std::uint32_t>(word & 0xFF)};
    FilterBandLabel->SetCaption(tuneable_ ? "Band #" + std::to_string(band)
                                          : "Band #" + std::to_string(band) + " is not tuneable");
    DrawFilterPlot();
}

void TDebugForm::FilterPlotResize(TObject*) { DrawFilterPlot(); }

void TDebugForm::DrawFilterPlot() {
    ImageCanvas& c = FilterPlot->GetCanvas();
    const int w = FilterPlot->Bitmap().Width(), h = FilterPlot->Bitmap().Height();
    c.Brush().SetColor(0);
    c.FillRect({0, 0, w, h});
    FilterLowLabel->SetCaption(tuneable_ ? MHz(map_.First()) : "");
    FilterHighLabel->SetCaption(tuneable_ ? MHz(map_.Last()) : "");
    if (!tuneable_) return;
    map_.SetSize(w, h);
    auto square = [&](const FILTER_NODE& n, TColor colour) {
        const int x = map_.X(n.hz), y = map_.Y(n.value);
        c.Brush().SetColor(colour);
        c.FillRect({x - 5, y - 5, x + 6, y + 6});
    };
    c.Pen().SetStyle(plat::gdi::PenStyle::Solid);
    c.Pen().SetColor(kEdgeColour);
    for (std::size_t i = 0; i < map_.nodes.size(); ++i) {
        const int x = map_.X(map_.nodes[i].hz), y = map_.Y(map_.nodes[i].value);
        if (i == 0) c.MoveTo(x, y);
        else c.LineTo(x, y);
    }
    for (const FILTER_NODE& n : map_.nodes) square(n, kNodeColour);
    for (const FILTER_NODE& p : map_.points) square(p, kPointColour);
    const int mx = map_.X(marker_.hz), my = map_.Y(marker_.value);
    c.Pen().SetStyle(plat::gdi::PenStyle::Dash);
    c.Pen().SetColor(kCrossColour);
    c.MoveTo(mx, 0);
    c.LineTo(mx, h);
    c.MoveTo(0, my);
    c.LineTo(w, my);
    c.Pen().SetStyle(plat::gdi::PenStyle::Solid);
    square(marker_, kMarkerColour);
}

void TDebugForm::TuneFilterPage(std::uint32_t) {
    if (HandleAllocated() && Visible()) ReloadFilterPage();
}

void TDebugForm::PlotPointButtonClick(TObject*) {
    if (map_.AddPoint(marker_)) ReloadFilterPage();
}

void TDebugForm::ClearPointsButtonClick(TObject*) {
    map_.points.clear();
    ReloadFilterPage();
}

void TDebugForm::SaveMapButtonClick(TObject*) {
    if (tuneable_ && shownBand_ >= 0) rx_->RequestFilterTable(shownBand_, map_.nodes.data());
}

void TDebugForm::FilterPlotMouseDown(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button != TMouseButton::mbLeft || !tuneable_) return;
    drag_ = map_.Press(x, y, marker_);
    dragging_ = drag_.kind != FilterMap::Drag::Kind::None;
    if (!dragging_) {
        // A click elsewhere tunes to the whole MHz under the pointer.
        rx_->SetFreq(map_.FrequencyAt(x));
        ReloadFilterPage();
    }
}

void TDebugForm::FilterPlotMouseMove(TObject*, TShiftState shift, int x, int y) {
    if (!dragging_ || (shift & ss::Left) == 0) return;
    const FILTER_NODE moved = map_.Move(drag_, x, y);
    if (drag_.kind == FilterMap::Drag::Kind::Node) {
        // Edited nodes reach the receiver only through "Save map".
        map_.nodes[static_cast<std::size_t>(drag_.node)] = moved;
        FilterNodeLabel->SetCaption(MHz(moved.hz) + " " + std::to_string(moved.value));
        DrawFilterPlot();
        return;
    }
    if (drag_.value) rx_->RequestFilterValue(static_cast<std::int32_t>(moved.value));
    if (drag_.frequency) rx_->SetFreq(moved.hz);
    ReloadFilterPage();
}

void TDebugForm::FilterPlotMouseUp(TObject*, TMouseButton button, TShiftState, int, int) {
    if (button == TMouseButton::mbLeft) dragging_ = false;
}

void TDebugForm::NewBandFiltersButtonClick(TObject*) {
    // The word and the converted band's table as the receiver has them, asked among its
    // requests; the conversion goes on when they come.
    rx_->AskFilterPage(
        -1,
        [alive = Alive(), this](const TmyQ745::FilterPage& page) {
            if (!alive.expired()) ConvertToNewBands(page);
        },
        kConvertedBand);
}

void TDebugForm::ConvertToNewBands(const TmyQ745::FilterPage& page) {
    if ((page.word & kOldLayoutFlag) == 0) {
        ServiceError("This isn't the old radio !");
        return;
    }
    for (const EepromPatch& p : NewBandPatches()) {
        rx_->RequestEEPROMWrite(p.address, p.bytes, [alive = Alive(), this, failure = p.failure](bool written) {
            if (!written && !alive.expired()) ServiceError(failure);
        });
    }
    // Without the band's table there is nothing to cut; writing zeros would lose it.
    if (page.haveTable) {
        std::array<FILTER_NODE, kFilterNodesPerBand> nodes{};
        std::copy(std::begin(page.nodes), std::end(page.nodes), nodes.begin());
        CutFilterTable(nodes, 400'000'000);
        rx_->RequestFilterTable(kConvertedBand, nodes.data());
    }
    shownBand_ = -1;
    ReloadFilterPage();
}

} // namespace lxq
