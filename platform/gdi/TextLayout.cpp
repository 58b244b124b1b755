#include "platform/gdi/TextLayout.h"

#include "platform/gdi/TextMetrics.h"

#include <algorithm>

namespace plat::gdi {
namespace {

constexpr std::u32string_view kEllipsis = U"...";

bool IsSpace(char32_t c) { return c == U' ' || c == U'\t'; }

// Removes prefix marks; returns the index of the marked character or -1.
int StripPrefixes(std::u32string& text) {
    std::u32string out;
    int marked = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != U'&' && marked < 0) marked = static_cast<int>(out.size());
        } else if (text[i] == U'&') {
            continue; // a lone mark at the end shows nothing
        }
        out.push_back(text[i]);
    }
    text = std::move(out);
    return marked;
}

std::u32string ExpandTabs(std::u32string_view text) {
    std::u32string out;
    std::size_t column = 0;
    for (char32_t c : text) {
        if (c == U'\t') {
            do out.push_back(U' '), ++column;
            while (column % 8 != 0);
        } else {
            out.push_back(c);
            column = (c == U'\n' || c == U'\r') ? 0 : column + 1;
        }
    }
    return out;
}

// Shortens one line to fit, the way the format asks.
void Ellipsize(TextLine& line, int maxWidth, unsigned format, const MeasureText& measure) {
    if (line.width <= maxWidth) return;
    std::u32string_view text = line.text;
    std::u32string result;
    if (format & dt::PathEllipsis) {
        const std::size_t sep = text.find_last_of(U"\\/");
        if (sep != std::u32string_view::npos && sep > 0) {
            const std::u32string_view tail = text.substr(sep);
            for (std::size_t keep = sep; keep-- > 0;) {
                std::u32string candidate(text.substr(0, keep));
                candidate += kEllipsis;
                candidate += tail;
                if (measure(candidate) <= maxWidth || keep == 0) {
                    result = candidate;
                    break;
                }
            }
        }
    }
    if (result.empty()) {
        std::size_t keep = text.size();
        while (keep > 0) {
            --keep;
            if (format & dt::WordEllipsis) {
                while (keep > 0 && !IsSpace(text[keep])) --keep; // back to a word boundary
            }
            std::size_t end = keep;
            while (end > 0 && IsSpace(text[end - 1])) --end;
            std::u32string candidate(text.substr(0, end));
            candidate += kEllipsis;
            if (measure(candidate) <= maxWidth || keep == 0) {
                result = candidate;
                break;
            }
        }
        if (result.empty()) result = kEllipsis;
    }
    if (line.underline >= 0 && static_cast<std::size_t>(line.underline) + kEllipsis.size() >= result.size())
        line.underline = -1;
    line.text = std::move(result);
    line.width = measure(line.text);
}

} // namespace

std::vector<TextLine> LayoutText(std::u32string_view input, int maxWidth, unsigned format,
                                 const MeasureText& measure) {
    std::u32string text(input);
    if (format & dt::ExpandTabs) text = ExpandTabs(text);
    int marked = -1;
    if (!(format & dt::NoPrefix)) marked = StripPrefixes(text);
    if (format & dt::HidePrefix) marked = -1;

    // Paragraphs: the whole text on one line, or split at CR, LF and CR LF.
    struct Piece {
        std::size_t start;
        std::size_t end;
    };
    std::vector<Piece> paragraphs;
    if (format & dt::SingleLine) {
        paragraphs.push_back({0, text.size()});
    } else {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == U'\n' || text[i] == U'\r') {
                paragraphs.push_back({start, i});
                if (i + 1 < text.size() && text[i] == U'\r' && text[i + 1] == U'\n') ++i;
                start = i + 1;
            }
        }
    }

    const bool wrap = (format & dt::WordBreak) && !(format & dt::SingleLine);
    std::vector<TextLine> lines;
    const auto emit = [&](std::size_t start, std::size_t end) {
        TextLine line;
        line.text = text.substr(start, end - start);
        line.width = measure(line.text);
        if (marked >= 0 && static_cast<std::size_t>(marked) >= start &&
            static_cast<std::size_t>(marked) < end)
            line.underline = marked - static_cast<int>(start);
        lines.push_back(std::move(line));
    };
    for (const Piece& p : paragraphs) {
        if (!wrap) {
            emit(p.start, p.end);
            continue;
        }
        std::size_t lineStart = p.start;
        while (true) {
            // Take words while the line (without its trailing spaces) fits.
            std::size_t end = lineStart;
            std::size_t lastFit = lineStart;
            while (end < p.end) {
                std::size_t wordEnd = end;
                while (wordEnd < p.end && IsSpace(text[wordEnd])) ++wordEnd;
                while (wordEnd < p.end && !IsSpace(text[wordEnd])) ++wordEnd;
                std::size_t visibleEnd = wordEnd;
                if (measure(std::u32string_view(text).substr(lineStart, visibleEnd - lineStart)) >
                    maxWidth)
                    break;
                lastFit = end = wordEnd;
            }
            std::size_t breakAt = lastFit;
            if (breakAt == lineStart) {
                // Not even the first word fits: it stands alone, or is cut between characters
                // when the text behaves like an edit control's.
                std::size_t wordEnd = lineStart;
                while (wordEnd < p.end && IsSpace(text[wordEnd])) ++wordEnd;
                while (wordEnd < p.end && !IsSpace(text[wordEnd])) ++wordEnd;
                breakAt = wordEnd;
                if (format & dt::EditControl) {
                    std::size_t cut = lineStart + 1;
                    while (cut < wordEnd &&
                           measure(std::u32string_view(text).substr(lineStart, cut + 1 - lineStart)) <=
                               maxWidth)
                        ++cut;
                    breakAt = cut;
                }
            }
            std::size_t visible = breakAt;
            while (visible > lineStart && IsSpace(text[visible - 1])) --visible;
            emit(lineStart, visible);
            lineStart = breakAt;
            while (lineStart < p.end && IsSpace(text[lineStart])) ++lineStart;
            if (lineStart >= p.end) break;
        }
    }
    if (format & (dt::EndEllipsis | dt::WordEllipsis | dt::PathEllipsis))
        for (TextLine& line : lines) Ellipsize(line, maxWidth, format, measure);
    return lines;
}

} // namespace plat::gdi
