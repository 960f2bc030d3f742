#pragma once
// Finding the qvod:// links in a page's text.
#include <cstdint>
#include <optional>

#include "analysis/fetch.h"
#include "tasks/task_list.h"
#include "common/text.h"

namespace ferrik {

// The text between the first `startMark` at or after the 1-based position `startPos` and the next
// `endMark`. `nextPos` receives the position just after that end mark, or -1 when there is no
// such token (also for any invalid argument). `startPos` and `nextPos` may be the same variable.
Text ScanToken(TextView text, TextView startMark, TextView endMark, std::int64_t startPos, std::int64_t& nextPos);

// The first qvod:// link of `text`, read as the page scan reads every link: the link as it stands
// ("qvod://" F1 "|" F2 "|" F3 "|") and its display name (F3). Nothing when `text` holds none.
struct QvodLinkText {
    TextView link;
    TextView name;
};
std::optional<QvodLinkText> FirstQvodLink(TextView text);

// Adds one "SS0" row per distinct link of already fetched page text, in order of appearance.
// Tests StopFlag before each link. Linear in the length of the text.
void AddQvodUrls(TextView pageText, TaskList& tasks);

// Replaces the task list's rows (adds after them while it appends) with one "SS0" row per
// distinct link of the page. `UTF8` picks
// the charset ("UTF-8" or "GB2312"); the page text is unescaped only when IsUnEscape is exactly
// "1". Tests StopFlag before each link. Every failure ends it quietly, keeping the rows added.
void GetAllQvodUrl(PageFetcher& fetcher, const ByteDecoder& decoder, TaskList& tasks, TextView strURL, bool UTF8,
                   TextView IsUnEscape);

// Link number `i` (from 0) of the page, never unescaped; empty text when there is none or on any
// failure. Touches neither the task list nor StopFlag.
Text GetQvodUrl(PageFetcher& fetcher, const ByteDecoder& decoder, TextView strURL, std::int32_t i, bool UTF8);

}  // namespace ferrik
