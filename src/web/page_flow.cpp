// The page reader's flow: the runs of text, alt text and fields the view lays out, white space
// collapsed, block edges merged, a link's space left out of the link.
#include <utility>

#include "web/page_builder.h"

namespace ferrik {

void PageBuilder::Push(PageRun run) {
    if (m_page.m_runs.size() >= kMaxPageRuns) m_full = true;
    if (m_full) return;
    m_page.m_runs.push_back(std::move(run));
    const PageRun::Kind kind = m_page.m_runs.back().kind;
    m_lineHasContent = kind == PageRun::Kind::Words || kind == PageRun::Kind::AltText || kind == PageRun::Kind::Field;
    if (!m_lineHasContent) m_pendingSpace = false;
}

void PageBuilder::Edge(PageRun::Kind kind) {
    std::vector<PageRun>& runs = m_page.m_runs;
    if (runs.empty()) return;
    PageRun& last = runs.back();
    if (last.kind == PageRun::Kind::Paragraph) return;
    if (last.kind == PageRun::Kind::BlockEdge) {
        last.kind = kind;
        return;
    }
    Push({kind});
}

void PageBuilder::FlushSpace() {
    if (!m_pendingSpace) return;
    m_pendingSpace = false;
    std::vector<PageRun>& runs = m_page.m_runs;
    // A space after a link belongs to what follows: it is never underlined.
    if (!runs.empty() && runs.back().kind == PageRun::Kind::Words &&
        (runs.back().link == m_link || runs.back().link == kNoIndex)) {
        runs.back().text += u' ';
    } else {
        Push({PageRun::Kind::Words, u" ", Font()});
    }
}

void PageBuilder::Inline(PageRun::Kind kind, Text text) {
    if (text.empty()) return;
    FlushSpace();
    PageRun run{kind, std::move(text), Font(), m_link};
    Push(std::move(run));
}

void PageBuilder::Field(std::size_t element) {
    FlushSpace();
    PageRun run{PageRun::Kind::Field, {}, FontRole::Normal, m_link, element};
    Push(std::move(run));
}

void PageBuilder::AppendText(TextView piece) {
    if (piece.empty() || m_full) return;
    std::vector<PageRun>& runs = m_page.m_runs;
    if (!runs.empty() && runs.back().kind == PageRun::Kind::Words && runs.back().link == m_link &&
        runs.back().font == Font()) {
        runs.back().text += piece;
        m_lineHasContent = true;
    } else {
        Push({PageRun::Kind::Words, Text(piece), Font(), m_link});
    }
}

void PageBuilder::FlowText(TextView text, bool preformatted) {
    if (std::exchange(m_preStart, false) && preformatted && !text.empty() && text.front() == u'\n')
        text.remove_prefix(1);
    if (preformatted) {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.size() && !m_full; ++i) {
            if (i < text.size() && text[i] != u'\n') continue;
            Text piece;
            for (char16_t c : text.substr(start, i - start)) {
                if (c == u'\t') {
                    piece.append(4, u' ');
                } else if (c != 0) {
                    piece += c;
                }
            }
            if (!piece.empty()) {
                FlushSpace();
                AppendText(piece);
            }
            if (i < text.size()) Push({PageRun::Kind::LineBreak});
            start = i + 1;
        }
        return;
    }
    Text piece;
    for (char16_t c : text) {
        if (IsAsciiWhitespace(c)) {
            if (!piece.empty()) {
                AppendText(piece);
                piece.clear();
            }
            if (m_lineHasContent) m_pendingSpace = true;
        } else if (c != 0) {  // the tree builder drops NUL characters
            if (m_pendingSpace) {
                AppendText(piece);
                piece.clear();
                FlushSpace();
            }
            piece += c;
        }
    }
    AppendText(piece);
}

}  // namespace ferrik
