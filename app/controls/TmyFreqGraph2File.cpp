// The spectrum graph's file (its range and all its lines, byte for byte as GraphFileFormat.h
// lays it out) and printing.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/controls/GraphFileFormat.h"
#include "app/controls/TmyFreqGraph2.h"
#include "platform/sys/AtomicFile.h"
#include "platform/sys/MessageBox.h"

namespace lxq {

namespace {


// A file whose records disagree with its own range, or that ends early, is refused whole.
struct LoadedGraph {
    GraphFileHeader header{};
    std::vector<GraphFileLine> records;
    std::vector<std::vector<std::int16_t>> samples;
};

bool ParseGraphFile(const std::vector<char>& bytes, LoadedGraph& out) {
    std::size_t at = 0;
    auto take = [&](void* dst, std::size_t n) {
        if (bytes.size() - at < n) return false;
        std::memcpy(dst, bytes.data() + at, n);
        at += n;
        return true;
    };
    GraphFileHeader& h = out.header;
    if (!take(h.signature, sizeof h.signature)) return false;
    if (std::memcmp(h.signature, kGraphFileSignature, sizeof h.signature) != 0) return false;
    if (!take(&h.lineCount, sizeof h.lineCount)) return false;
    if (h.lineCount < 0 || h.lineCount > kGraphFileMaxLines) return false;
    if (!take(&h.start, sizeof h.start + sizeof h.stop + sizeof h.step + sizeof h.callerBlock))
        return false;
    // The range the graph can take, cut into whole steps as the graph saves it.
    const std::int64_t steps = TmyFreqGraph2::RangeSteps(h.start, h.stop, h.step);
    if (steps == 0 || h.start + steps * h.step != h.stop) return false;
    out.records.resize(static_cast<std::size_t>(h.lineCount));
    for (GraphFileLine& r : out.records) {
        if (!take(&r, sizeof r)) return false;
        if (r.lineType > 4 || r.capacity != steps + 1 || r.filled < 0 || r.filled > r.capacity + 1)
            return false;
    }
    // The samples must be in the file before room is made for them: a forged capacity must not
    // cost more memory than the file's own size.
    std::size_t sampleBytes = 0;
    for (const GraphFileLine& r : out.records)
        sampleBytes += (static_cast<std::size_t>(r.capacity) + 1) * sizeof(std::int16_t);
    if (sampleBytes > bytes.size() - at) return false;
    for (const GraphFileLine& r : out.records) {
        std::vector<std::int16_t>& s = out.samples.emplace_back(static_cast<std::size_t>(r.capacity) + 1);
        if (!take(s.data(), s.size() * sizeof(std::int16_t))) return false;
    }
    return true;
}

} // namespace

int TmyFreqGraph2::SaveToFile(const std::string& fileName,
                              const std::uint8_t (&callerBlock)[32]) const {
    std::string bytes;
    const auto append = [&bytes](const void* data, std::size_t size) {
        bytes.append(static_cast<const char*>(data), size);
    };
    GraphFileHeader h{};
    std::memcpy(h.signature, kGraphFileSignature, sizeof h.signature);
    h.lineCount = GetLinesCount();
    h.start = start_;
    h.stop = stop_;
    h.step = step_;
    std::memcpy(h.callerBlock, callerBlock, sizeof h.callerBlock);
    append(&h, sizeof h);
    for (const auto& line : lines_) {
        GraphFileLine r{};
        r.colour = static_cast<std::int32_t>(line->colour);
        r.lineType = static_cast<std::uint8_t>(line->lineType);
        r.capacity = line->capacity;
        r.filled = line->filled;
        r.position = line->position;
        std::memcpy(r.name, line->name, sizeof r.name);
        std::memcpy(r.unit, line->unit, sizeof r.unit);
        r.shown = line->shown;
        append(&r, sizeof r);
    }
    for (const auto& line : lines_) append(line->samples.data(), line->samples.size() * sizeof(std::int16_t));
    // A failed save keeps the old file.
    return plat::sys::WriteFileAtomically(fileName, bytes) ? 1 : 0;
}

int TmyFreqGraph2::LoadFromFile(const std::string& fileName, std::uint8_t (&callerBlock)[32]) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return 0;
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LoadedGraph g;
    if (!ParseGraphFile(bytes, g)) return 0;
    std::memcpy(callerBlock, g.header.callerBlock, sizeof callerBlock);
    ClearGraph();
    SetRange(g.header.start, g.header.stop, g.header.step);
    for (std::size_t k = 0; k < g.records.size(); ++k) {
        const GraphFileLine& r = g.records[k];
        auto line = std::make_unique<TmyGraphLine2>();
        line->colour = static_cast<TColor>(r.colour);
        line->lineType = static_cast<TmyGraphLineType>(r.lineType);
        line->capacity = r.capacity;
        line->filled = r.filled;
        line->position = r.position;
        std::memcpy(line->name, r.name, sizeof line->name);
        std::memcpy(line->unit, r.unit, sizeof line->unit);
        line->name[31] = line->unit[31] = '\0';
        line->samples = std::move(g.samples[k]);
        line->shown = 0; // the owner decides which loaded lines to show
        lines_.push_back(std::move(line));
    }
    SetZoom(1);
    GetFontSizes();
    return 1;
}

bool TmyFreqGraph2::Print() {
    // There is no print service on this platform: the print job cannot begin, which is reported
    // as for any print failure, and the control is left as it was.
    image_->DisableRedraw();
    const bool topLabel = showTopLabel_;
    const int fontHeight = Font().Height();
    plat::sys::ShowMessageBox(0, "No valid printer found", "Q7 spectrum scope",
                              plat::sys::kMbOk | plat::sys::kMbTopMost);
    showTopLabel_ = topLabel;
    Font().SetHeight(fontHeight);
    image_->EnableRedraw();
    StandUp();
    return true;
}

} // namespace lxq
