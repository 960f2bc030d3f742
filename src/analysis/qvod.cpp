#include "analysis/qvod.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>

#include "analysis/html_charset.h"
#include "common/stop_flag.h"
#include "common/text_fields.h"
#include "common/text_search.h"

namespace ferrik {

namespace {

constexpr char16_t kQvodMark[] = u"qvod://";
constexpr char16_t kBar[] = u"|";

// ScanToken on 0-based indexes: `from` in, `next` out (npos when there is no token).
bool ScanTokenAt(TextView text, TextView startMark, TextView endMark, std::size_t from, TextView& token,
                 std::size_t& next) {
    next = TextView::npos;
    if (startMark.empty() || endMark.empty()) return false;
    const std::size_t start = FindText(text, startMark, from);
    if (start == TextView::npos) return false;
    const std::size_t s = start + startMark.size();
    const std::size_t end = FindText(text, endMark, s);
    if (end == TextView::npos) return false;
    token = text.substr(s, end - s);
    next = end + endMark.size();
    return true;
}

using QvodLink = QvodLinkText;

// The next "qvod://" at or after `from`. Pages have few "q"s: the search runs from one to the next
// at the speed of a one-unit search and compares the rest of the mark there.
std::size_t FindQvodMark(TextView text, std::size_t from) {
    constexpr std::size_t kLength = std::size(kQvodMark) - 1;
    for (std::size_t at = FindUnit(text, kQvodMark[0], from); at != TextView::npos;
         at = FindUnit(text, kQvodMark[0], at + 1)) {
        if (text.size() - at < kLength) return TextView::npos;
        if (std::memcmp(text.data() + at + 1, kQvodMark + 1, (kLength - 1) * sizeof(char16_t)) == 0) return at;
    }
    return TextView::npos;
}

// Reads the next link at or after `pos` and moves `pos` just past its third "|". F2 and F3 are
// scanned from `pos - 1`, the "|" that closed the field before, so each is the run up to the
// next "|": three searches for "|" after the mark. Every search starts where the last one ended,
// so a whole scan is linear.
bool ReadQvodLink(TextView text, std::size_t& pos, QvodLink& out) {
    const std::size_t mark = FindQvodMark(text, pos);
    if (mark == TextView::npos) return false;
    const std::size_t bar1 = FindUnit(text, kBar[0], mark + std::size(kQvodMark) - 1);
    if (bar1 == TextView::npos) return false;
    const std::size_t bar2 = FindUnit(text, kBar[0], bar1 + 1);
    if (bar2 == TextView::npos) return false;
    const std::size_t bar3 = FindUnit(text, kBar[0], bar2 + 1);
    if (bar3 == TextView::npos) return false;
    pos = bar3 + 1;
    // The rebuilt link "qvod://" + F1 + "|" + F2 + "|" + F3 + "|" is exactly the text it came from.
    out.link = text.substr(mark, pos - mark);
    out.name = text.substr(bar2 + 1, bar3 - bar2 - 1);  // field 2 of the "|"-separated body: F3
    return true;
}

TextView CharsetName(bool UTF8) {
    return UTF8 ? u"UTF-8" : u"GB2312";
}

// Where a piece of a GBK body that starts at `from` ends: at least `size` bytes on, just after a
// byte that is never part of a character of two bytes, so that the pieces decode as the whole body
// does.
std::size_t PieceEnd(std::string_view body, std::size_t from, std::size_t size) {
    if (body.size() - from <= size) return body.size();
    std::size_t end = from + size;
    while (end < body.size() && !CanEndAPiece(static_cast<unsigned char>(body[end - 1]))) ++end;
    return end;
}

}  // namespace

Text ScanToken(TextView text, TextView startMark, TextView endMark, std::int64_t startPos, std::int64_t& nextPos) {
    TextView token;
    std::size_t next = TextView::npos;
    const bool found =
        startPos >= 1 && ScanTokenAt(text, startMark, endMark, static_cast<std::size_t>(startPos - 1), token, next);
    nextPos = found ? static_cast<std::int64_t>(next) + 1 : -1;
    return found ? Text(token) : Text();
}

namespace {

// Where a scan of some text ended: just after its last complete link, or at a stop request or a
// full list (`stopped`: the page is read no further).
struct ScanEnd {
    std::size_t pos = 0;
    bool stopped = false;
};

// The key table is sized once from a first estimate, the density of the first links over the
// page (`pageUnits`, at most; a link takes at least ten units), instead of growing step by step.
// The scan reads a few links ahead of the one it adds, so that each link's slot in the key table
// is on its way from memory while the next links are read.
ScanEnd AddQvodUrlsOf(TextView text, std::size_t pageUnits, TaskList& tasks) {
    constexpr std::size_t kLinksBeforeEstimate = 64;
    constexpr std::size_t kAhead = 4;
    struct Pending {
        QvodLink link;
        TaskList::KeyHint hint;
    };
    Pending ahead[kAhead];
    std::size_t pos = 0;
    std::size_t read = 0;
    std::size_t added = 0;
    const auto readNext = [&] {
        QvodLink link;
        if (!ReadQvodLink(text, pos, link)) return false;
        ahead[read++ % kAhead] = Pending{link, tasks.PrepareKey(link.link)};
        return true;
    };
    bool more = true;
    while (more && read < kAhead) more = readNext();
    for (;;) {
        if (TakeStopRequest()) return {pos, true};
        if (added == read) return {pos, false};
        if (tasks.Full()) return {pos, true};
        if (added + 1 == kLinksBeforeEstimate) {
            tasks.ReserveKeys(std::min(read * (pageUnits / pos), pageUnits / 10));
        }
        const Pending& next = ahead[added++ % kAhead];
        // A repeated link is refused by key.
        tasks.AddTask(next.link.name, next.link.link, kEngineDirect, {}, next.link.link, next.hint);
        if (more) more = readNext();
    }
}

// A page is decoded, unescaped and scanned a piece at a time, so that its text is never held
// whole (a page's text is twice its bytes, and fresh memory costs more to fill than the decoding
// itself). What an escape to come may start with (its last five units) stays escaped for the next
// piece, and what a link to come may start with stays unscanned. A piece is at least as long as
// what was kept, so that a mark whose bars are far away is not scanned again and again. A UTF-8
// body is decoded in one piece, as GetQvodUrl does. One buffer holds it all: the text ready to
// scan, then the decoded text not yet unescaped; each piece is decoded onto its end and unescaped
// where it lies, so a unit is copied once on its way from the bytes to the scan.
void AddQvodUrlsOfPage(PageFetcher& fetcher, const ByteDecoder& decoder, TaskList& tasks, TextView strURL,
                       bool UTF8, bool unescape) {
    constexpr std::size_t kPiece = 64 * 1024;
    constexpr std::size_t kPartialMark = std::size(kQvodMark) - 2;
    constexpr std::size_t kPartialEscape = 5;  // "%uXXX"
    const TextView charset = CharsetName(UTF8);
    const HttpResponse response = fetcher.Get(strURL, charset);
    const std::string_view body = response.body;
    Text window;  // [0, ready): decoded and unescaped, not yet scanned; then decoded, still escaped
    std::size_t ready = 0;
    std::size_t decoded = 0;
    do {
        if (decoded < body.size()) {
            const std::size_t end = UTF8 ? body.size() : PieceEnd(body, decoded, std::max(kPiece, ready));
            decoder.DecodeAppend(body.substr(decoded, end - decoded), charset, window);
            decoded = end;
        }
        if (!unescape) {
            ready = window.size();
        } else {
            const std::size_t escaped = window.size() - ready;
            ready = UnEscapeBetween(window, ready,
                                    decoded == body.size() ? window.size()
                                                           : window.size() - std::min(escaped, kPartialEscape));
        }
        const TextView text = TextView(window).substr(0, ready);
        const ScanEnd scan = AddQvodUrlsOf(text, body.size(), tasks);
        if (scan.stopped) return;
        const std::size_t mark = FindQvodMark(text, scan.pos);
        const std::size_t scanned =
            mark != TextView::npos ? mark : std::max(scan.pos, ready - std::min(ready, kPartialMark));
        window.erase(0, scanned);
        ready -= scanned;
    } while (decoded < body.size());
}

}  // namespace

std::optional<QvodLinkText> FirstQvodLink(TextView text) {
    std::size_t pos = 0;
    QvodLink link;
    if (!ReadQvodLink(text, pos, link)) return std::nullopt;
    return link;
}

// Tests StopFlag before each link and once after the last.
void AddQvodUrls(TextView pageText, TaskList& tasks) {
    AddQvodUrlsOf(pageText, pageText.size(), tasks);
}

void GetAllQvodUrl(PageFetcher& fetcher, const ByteDecoder& decoder, TaskList& tasks, TextView strURL, bool UTF8,
                   TextView IsUnEscape) {
    try {
        tasks.BeginFill();
        AddQvodUrlsOfPage(fetcher, decoder, tasks, strURL, UTF8, IsUnEscape == u"1");
    } catch (const std::exception&) {
        // A failed fetch or anything else ends the extraction quietly with the rows added so far.
    }
}

// The page is fetched as FetchPage fetches it. A GBK page is decoded only as far as link `i`
// needs, in pieces that double in size: a row resolved at submission takes its page's first link,
// mostly near the top. A link read whole from the text so far is the link the whole text has
// there. A UTF-8 body is decoded in one piece (a byte-order mark is only dropped at its start).
Text GetQvodUrl(PageFetcher& fetcher, const ByteDecoder& decoder, TextView strURL, std::int32_t i, bool UTF8) {
    constexpr std::size_t kFirstPiece = 64 * 1024;
    try {
        const TextView charset = CharsetName(UTF8);
        const HttpResponse response = fetcher.Get(strURL, charset);
        const std::string_view body = response.body;
        Text text;
        std::size_t decoded = 0;
        std::size_t pos = 0;
        std::int32_t n = 0;
        for (std::size_t piece = UTF8 ? body.size() : kFirstPiece; decoded < body.size(); piece *= 2) {
            const std::size_t end = PieceEnd(body, decoded, piece);
            text += decoder.Decode(body.substr(decoded, end - decoded), charset);
            decoded = end;
            QvodLink link;
            while (ReadQvodLink(text, pos, link)) {
                if (n++ == i) return Text(link.link);
            }
        }
    } catch (const std::exception&) {
    }
    return {};
}

}  // namespace ferrik
