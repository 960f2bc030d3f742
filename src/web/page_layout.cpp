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

}  // namespace

// Lines are built in `m_line` and go to the layout when they end, so that the layout only ever
// holds whole lines (in order, each box's place final) while it is still being made.
class LineBuilder {
public:
    LineBuilder(PageLayout& out, int width, TextMeasurer& measurer)
        : m_out(out), m_right(std::max(width - kPageMargin, kPageMargin + 1)), m_measurer(measurer) {}

    // Lays out `run` from its unit `from` on, until it ends (npos) or `work` boxes more are placed
    // (then where it stopped). Only Words and AltText stop inside.
    std::size_t Run(const PageRun& run, const Page& page, std::size_t from, std::size_t& work) {
        switch (run.kind) {
            case PageRun::Kind::Words:
                return Words(run.text, from, run.font, run.link, LayoutBox::Kind::Words, work);
            case PageRun::Kind::AltText:
                return Words(run.text, from, run.font, run.link, LayoutBox::Kind::AltText, work);
            case PageRun::Kind::Field:
                Field(run, page);
                break;
            case PageRun::Kind::LineBreak:
                if (LineEmpty()) {
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
        if (work > 0) --work;
        return TextView::npos;
    }

    // The whole lines so far; `last` ends the one under way too.
    void Finish(bool last) {
        if (last) EndLine();
        m_out.height = m_top + kPageMargin;
    }

    bool Full() const { return m_out.boxes.size() + m_line.size() >= m_boxLimit; }

    // The last line of a layout that reached kMaxLayoutBoxes.
    void EndWithNotice(const Page& page) {
        m_boxLimit = static_cast<std::size_t>(-1);
        std::size_t work = m_boxLimit;
        Run({PageRun::Kind::Paragraph}, page, 0, work);
        Run({PageRun::Kind::Words, Text(kPageCutNotice)}, page, 0, work);
    }

private:
    bool LineEmpty() const { return m_line.empty(); }

    void ApplyGap() {
        m_top += m_gap;
        m_gap = 0;
    }

    void Place(LayoutBox box) {
        if (LineEmpty()) ApplyGap();
        box.x = m_x;
        m_x += box.width;
        m_line.push_back(std::move(box));
    }

    // Boxes of a line sit on its bottom edge, so text beside a taller field lines up below.
    void EndLine() {
        if (LineEmpty()) return;
        int height = 0;
        for (const LayoutBox& box : m_line) height = std::max(height, box.height);
        for (LayoutBox& box : m_line) {
            box.y = m_top + height - box.height;
            m_out.boxes.push_back(std::move(box));
        }
        m_line.clear();
        m_top += height;
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

    std::size_t Words(TextView whole, std::size_t from, FontRole font, std::size_t link, LayoutBox::Kind kind,
                      std::size_t& work) {
        TextView text = whole.substr(from);
        while (!text.empty()) {
            if (work == 0 || Full()) return whole.size() - text.size();
            --work;
            if (LineEmpty()) {
                const std::size_t first = text.find_first_not_of(u' ');
                if (first == TextView::npos) return TextView::npos;
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
                return TextView::npos;
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
        return TextView::npos;
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
    std::vector<LayoutBox> m_line;  // the line under way
    std::size_t m_boxLimit = kMaxLayoutBoxes;
};

PageLayouter::PageLayouter(const Page& page, int width, TextMeasurer& measurer, PageLayout& out)
    : m_page(page), m_out(out), m_lines(std::make_unique<LineBuilder>(out, width, measurer)) {
    m_out = {};
    if (!page.Title().empty()) {
        m_title = PageRun{PageRun::Kind::Words, page.Title(), FontRole::Title};
        m_step = kTitle;
    }
}

PageLayouter::~PageLayouter() = default;

bool PageLayouter::Continue(std::size_t work) {
    while (!m_done && work > 0) {
        if (m_lines->Full()) {
            // As much as a page may take: what follows is not shown.
            m_lines->EndWithNotice(m_page);
            m_done = true;
            break;
        }
        const std::vector<PageRun>& runs = m_page.Runs();
        if (m_step == kTitle) {
            m_from = m_lines->Run(m_title, m_page, m_from, work);
            if (m_from != TextView::npos) continue;
            m_lines->Run({PageRun::Kind::Paragraph}, m_page, 0, work);
            m_step = 0;
            m_from = 0;
        } else if (m_step < runs.size()) {
            m_from = m_lines->Run(runs[m_step], m_page, m_from, work);
            if (m_from != TextView::npos) continue;
            ++m_step;
            m_from = 0;
        } else {
            m_done = true;
        }
    }
    m_lines->Finish(m_done);
    return m_done;
}

PageLayout LayoutPage(const Page& page, int width, TextMeasurer& measurer) {
    PageLayout layout;
    PageLayouter layouter(page, width, measurer, layout);
    while (!layouter.Continue(static_cast<std::size_t>(-1))) {
    }
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
