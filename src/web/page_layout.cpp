#include <algorithm>
#include <utility>

#include "web/page.h"

namespace ferrik {

namespace {

bool IsCjk(char16_t c) {
    return c >= 0x2E80 && (c < 0xD800 || c >= 0xF900);
}

// Closing punctuation never starts a line.
bool NoBreakBefore(char16_t c) {
    constexpr TextView kClosing = u"，。、；：？！）》」』】〕…,.;:?!)";
    return kClosing.find(c) != TextView::npos;
}

constexpr int kFieldChars = 20;  // a text field's width in characters when it has no size

class LineBuilder {
public:
    LineBuilder(PageLayout& out, int width, TextMeasurer& measurer)
        : m_out(out), m_right(std::max(width - kPageMargin, kPageMargin + 1)), m_measurer(measurer) {}

    void Run(const PageRun& run, const Page& page) {
        switch (run.kind) {
            case PageRun::Kind::Words:
                Words(run.text, run.font, run.link, LayoutBox::Kind::Words);
                break;
            case PageRun::Kind::AltText:
                Words(run.text, run.font, run.link, LayoutBox::Kind::AltText);
                break;
            case PageRun::Kind::Field:
                Field(run, page);
                break;
            case PageRun::Kind::LineBreak:
                if (m_lineStart == m_out.boxes.size()) {
                    ApplyGap();
                    m_top += m_measurer.LineHeight(FontRole::Normal);
                    m_x = kPageMargin;
                } else {
                    EndLine();
                }
                break;
            case PageRun::Kind::BlockEdge:
                EndLine();
                break;
            case PageRun::Kind::Paragraph:
                EndLine();
                if (m_top > kPageMargin) m_gap = m_measurer.LineHeight(FontRole::Normal);
                break;
        }
    }

    int Finish() {
        EndLine();
        return m_top + kPageMargin;
    }

private:
    bool LineEmpty() const { return m_lineStart == m_out.boxes.size(); }

    void ApplyGap() {
        m_top += m_gap;
        m_gap = 0;
    }

    void Place(LayoutBox box) {
        if (LineEmpty()) ApplyGap();
        box.x = m_x;
        m_x += box.width;
        m_out.boxes.push_back(std::move(box));
    }

    // Boxes of a line sit on its bottom edge, so text beside a taller field lines up below.
    void EndLine() {
        if (LineEmpty()) return;
        int height = 0;
        for (std::size_t i = m_lineStart; i < m_out.boxes.size(); ++i) height = std::max(height, m_out.boxes[i].height);
        for (std::size_t i = m_lineStart; i < m_out.boxes.size(); ++i)
            m_out.boxes[i].y = m_top + height - m_out.boxes[i].height;
        m_top += height;
        m_lineStart = m_out.boxes.size();
        m_x = kPageMargin;
    }

    void PlaceText(TextView text, FontRole font, std::size_t link, LayoutBox::Kind kind, int width) {
        LayoutBox box;
        box.kind = kind;
        box.text = Text(text);
        box.font = font;
        box.link = link;
        box.width = width;
        box.height = m_measurer.LineHeight(font);
        Place(std::move(box));
    }

    // Where a line may end inside `text`: after a space, and before or after a CJK character.
    static std::vector<std::size_t> BreakPoints(TextView text) {
        std::vector<std::size_t> points;
        for (std::size_t i = 1; i < text.size(); ++i) {
            const char16_t before = text[i - 1];
            const char16_t after = text[i];
            if (NoBreakBefore(after) || after == u' ') continue;
            if (before == u' ' || IsCjk(before) || IsCjk(after)) points.push_back(i);
        }
        return points;
    }

    // The longest prefix of `text` ending at one of `ends` that fits in `room`; 0 when none does.
    std::size_t LongestFitting(TextView text, const std::vector<std::size_t>& ends, FontRole font, int room) {
        auto fits = [&](std::size_t end) { return m_measurer.Width(text.substr(0, end), font) <= room; };
        std::size_t lo = 0, hi = ends.size();  // ends[0..lo) fit
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            if (fits(ends[mid])) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        return lo == 0 ? 0 : ends[lo - 1];
    }

    void Words(TextView text, FontRole font, std::size_t link, LayoutBox::Kind kind) {
        while (!text.empty()) {
            if (LineEmpty()) {
                const std::size_t first = text.find_first_not_of(u' ');
                if (first == TextView::npos) return;
                text.remove_prefix(first);
            }
            const int room = m_right - m_x;
            // Only as much text as could fill the line is looked at: a long paragraph costs its
            // length once, not once per line.
            std::size_t limit = std::min<std::size_t>(64, text.size());
            int width = m_measurer.Width(text.substr(0, limit), font);
            while (width <= room && limit < text.size()) {
                limit = std::min(limit * 2, text.size());
                width = m_measurer.Width(text.substr(0, limit), font);
            }
            if (width <= room) {
                PlaceText(text, font, link, kind, width);
                return;
            }
            const TextView window = text.substr(0, limit);  // wider than the room left
            const std::size_t end = LongestFitting(text, BreakPoints(window), font, room);
            if (end > 0) {
                const TextView piece = text.substr(0, end);
                PlaceText(piece, font, link, kind, m_measurer.Width(piece, font));
                EndLine();
                text.remove_prefix(end);
                continue;
            }
            if (!LineEmpty()) {
                EndLine();
                continue;
            }
            // A word wider than the whole line: cut it where the line is full (at least one character).
            std::vector<std::size_t> ends;
            for (std::size_t i = 1; i < window.size(); ++i)
                if (!(text[i] >= 0xDC00 && text[i] <= 0xDFFF)) ends.push_back(i);
            std::size_t cut = LongestFitting(text, ends, font, room);
            if (cut == 0) cut = ends.empty() ? window.size() : ends.front();
            const TextView piece = text.substr(0, cut);
            PlaceText(piece, font, link, kind, m_measurer.Width(piece, font));
            EndLine();
            text.remove_prefix(cut);
        }
    }

    void Field(const PageRun& run, const Page& page) {
        const PageElement& element = page.Elements()[run.element];
        const TextView type = element.type ? TextView(*element.type) : TextView();
        const int lineHeight = m_measurer.LineHeight(FontRole::Normal);
        LayoutBox box;
        box.kind = LayoutBox::Kind::Field;
        box.text = page.FieldText(run.element);
        box.link = run.link;
        box.element = run.element;
        box.height = lineHeight + 2 * kFieldPadding;
        if (type == u"checkbox" || type == u"radio") {
            box.width = lineHeight;
            box.height = lineHeight;
        } else if (type == u"submit" || type == u"reset" || type == u"button") {
            box.width = m_measurer.Width(box.text, FontRole::Normal) + 4 * kFieldPadding;
        } else if (type == u"select-one" || type == u"select-multiple") {
            int widest = 0;
            for (const PageOption& option : element.options)
                widest = std::max(widest, m_measurer.Width(option.text, FontRole::Normal));
            box.width = widest + 2 * kFieldPadding + lineHeight;  // room for the drop-down arrow
        } else {
            const int chars = element.size > 0 ? element.size : kFieldChars;
            box.width = chars * m_measurer.Width(u"0", FontRole::Normal) + 2 * kFieldPadding;
            if (type == u"textarea") box.height = 2 * lineHeight + 2 * kFieldPadding;
        }
        box.width = std::min(box.width, m_right - kPageMargin);
        if (m_x + box.width > m_right && !LineEmpty()) EndLine();
        Place(std::move(box));
        // A little room after a field, as between the system's controls.
        m_x += 4;
    }

    PageLayout& m_out;
    int m_right;
    TextMeasurer& m_measurer;
    int m_x = kPageMargin;
    int m_top = kPageMargin;
    int m_gap = 0;  // blank space owed before the next line with content
    std::size_t m_lineStart = 0;
};

}  // namespace

PageLayout LayoutPage(const Page& page, int width, TextMeasurer& measurer) {
    PageLayout layout;
    LineBuilder lines(layout, width, measurer);
    if (!page.Title().empty()) {
        lines.Run({PageRun::Kind::Words, page.Title(), FontRole::Title}, page);
        lines.Run({PageRun::Kind::Paragraph}, page);
    }
    for (const PageRun& run : page.Runs()) lines.Run(run, page);
    layout.height = lines.Finish();
    return layout;
}

const LayoutBox* BoxAt(const PageLayout& layout, int x, int y) {
    // Boxes of a line share its bottom edge, so bottoms never decrease from box to box.
    auto it = std::partition_point(layout.boxes.begin(), layout.boxes.end(),
                                   [y](const LayoutBox& box) { return box.y + box.height <= y; });
    if (it == layout.boxes.end()) return nullptr;
    const int bottom = it->y + it->height;
    for (; it != layout.boxes.end() && it->y + it->height == bottom; ++it) {
        if (x >= it->x && x < it->x + it->width && y >= it->y) return &*it;
    }
    return nullptr;
}

std::optional<std::size_t> LinkAt(const PageLayout& layout, int x, int y) {
    const LayoutBox* box = BoxAt(layout, x, y);
    if (!box || box->link == kNoIndex) return std::nullopt;
    return box->link;
}

}  // namespace ferrik
