#include "crashreport/report/MemoryDump.h"

#include "crashreport/sys/SafeMemory.h"
#include "crashreport/text/HexBytes.h"
#include "crashreport/text/TmyStringList.h"

namespace errvane {
namespace {

constexpr std::uint64_t kRow = 32;
constexpr const char* kUnreadableRow =
    "-------- -------- -------- -------- -------- -------- -------- --------  --------------------------------";

TmyString RowText(std::uint64_t row) {
    unsigned char bytes[kRow];
    TmyString line = TmyString::Hex(row, 16) + ": ";
    if (!SafeMemory::Read(row, bytes, sizeof bytes)) return line + kUnreadableRow;
    line += GroupedHexBytes(bytes, kRow) + "  ";
    char text[kRow];
    std::size_t n = 0;
    for (std::size_t i = 0; i < kRow; ++i)
        text[n++] = bytes[i] < 0x20 ? '.' : (bytes[i] > 0x7F ? '\'' : static_cast<char>(bytes[i]));
    line.Append(text, n);
    return line;
}

}  // namespace

void ReportMemoryDump(TmyStringList& list, const char* title, std::uint64_t start, std::uint64_t length,
                      bool frameForm) {
    const std::uint64_t end = start + length;
    const std::uint64_t first = start & ~(kRow - 1);
    const std::uint64_t last = (end + 1) | (kRow - 1);
    if (first > last) return;
    bool anyReadable = false;
    unsigned char probe[kRow];
    for (std::uint64_t row = first; !anyReadable; row += kRow) {
        anyReadable = SafeMemory::Read(row, probe, sizeof probe);
        if (row >= last - (kRow - 1)) break;
    }
    if (!anyReadable) return;

    list.Add("");
    if (frameForm) {
        TmyString parameters = "Possible parameters: ";
        for (std::uint64_t k = 0; k < 4; ++k) {
            std::uint64_t word = 0;
            if (SafeMemory::Read(end + 16 + 8 * k, &word, sizeof word)) parameters += TmyString::Hex(word, 16) + ", ";
        }
        list.Add(parameters);
    }
    list.Add("");
    if (frameForm)
        list.Add(TmyString("Dumping ") + title + " [RSP=" + TmyString::Hex(start, 16) + ", RBP=" + TmyString::Hex(end, 16) + "]");
    else
        list.Add(TmyString("Dumping ") + title + " [" + TmyString::Hex(start) + "-" + TmyString::Hex(end, 16) + "]:");
    TmyString ruler = TmyString(" Address").Padded(18);
    for (unsigned offset = 0; offset < kRow; offset += 4) ruler += "   " + TmyString::Hex(offset, 2) + "    ";
    list.Add(ruler);
    for (std::uint64_t row = last - (kRow - 1);; row -= kRow) {
        if (list.Add(RowText(row)) < 0 || row <= first) break;
    }
}

}  // namespace errvane
