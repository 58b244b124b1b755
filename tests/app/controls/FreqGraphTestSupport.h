#pragma once
// The lines of the main window's spectrum scope, as the graph tests use them.

#include "app/controls/TmyFreqGraph2.h"

namespace lxq::test {

// Four level lines and a hit histogram (which brings its rounds line): six lines in all.
inline void AddScopeLines(TmyFreqGraph2& graph) {
    graph.AddGraphLine("Max", "dBm", 0x0000FF, TmyGraphLineType::normal);
    graph.AddGraphLine("Min", "dBm", 0x00FF00, TmyGraphLineType::normal);
    graph.AddGraphLine("Max - Min", "dB", 0xFF00FF, TmyGraphLineType::alternate);
    graph.AddGraphLine("Level", "dBm", 0xFFFF00, TmyGraphLineType::normal);
    graph.AddGraphLine("Hits", "%", 0x00FFFF, TmyGraphLineType::hits);
}

} // namespace lxq::test
