#include "app/list_file.h"

#include <algorithm>
#include <cstdint>

#include "analysis/qvod.h"
#include "common/web_address.h"

namespace ferrik {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

// UTF-16 in either byte order, well-formed: whole units, every surrogate in a pair.
std::optional<Text> FromUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    Text text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xDC00 && unit <= 0xDFFF) return std::nullopt;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
            ++i;
        }
    }
    return text;
}

// GBK's shape: a byte from 0x81 to 0xFE leads a pair whose second byte is 0x40-0x7E or 0x80-0xFE;
// 0xFF is no character at all. (0x80 alone is the euro sign in code page 936.)
bool IsWellFormedGbk(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == 0xFF) return false;
        if (b < 0x81) continue;
        if (++i == bytes.size()) return false;
        const auto trail = static_cast<unsigned char>(bytes[i]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
    }
    return true;
}

ListFileText NotText() {
    return {{}, ListFileProblem::NotText};
}

// The blanks a line loses: spaces (also the ideographic one) and tabs.
TextView TrimBlanks(TextView line) {
    constexpr TextView kBlanks = u" \t\u3000";
    const std::size_t first = line.find_first_not_of(kBlanks);
    if (first == TextView::npos) return {};
    return line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
}

// The last segment of a web address's path that is not empty, or its host when there is none.
Text LastPathSegment(TextView address) {
    const std::size_t hostStart = address.find(u"//") + 2;
    const std::size_t pathStart = std::min(address.find_first_of(u"/?#", hostStart), address.size());
    TextView path = address.substr(pathStart, address.find_first_of(u"?#", pathStart) - pathStart);
    while (!path.empty() && path.back() == u'/') path.remove_suffix(1);
    const std::size_t slash = path.rfind(u'/');
    if (slash == TextView::npos) return Text(address.substr(hostStart, pathStart - hostStart));
    return Text(path.substr(slash + 1));
}

}  // namespace

Text ExportedStatus(std::size_t count) {
    return u"已导出" + ToText(static_cast<std::int64_t>(count)) + u"项。";
}

Text ImportedStatus(std::size_t count) {
    return u"已导入" + ToText(static_cast<std::int64_t>(count)) + u"项。";
}

std::string ExportListBytes(const TaskList& tasks, const std::vector<std::size_t>& rows) {
    std::string bytes(kUtf8Mark);
    for (std::size_t row : rows) {
        bytes += ToUtf8(tasks.At(row).address);
        bytes += "\r\n";
    }
    return bytes;
}

ListFileText DecodeListFile(std::string_view bytes, const ByteDecoder& decoder) {
    if (bytes.size() > kMaxListFileBytes) return {{}, ListFileProblem::TooLarge};
    std::optional<Text> text;
    if (bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark)) {
        text = FromUtf16(bytes.substr(2), bytes.starts_with(kUtf16BeMark));
    } else if (bytes.find('\0') != std::string_view::npos) {
        return NotText();
    } else if (bytes.starts_with(kUtf8Mark)) {
        text = FromWellFormedUtf8(bytes.substr(kUtf8Mark.size()));
    } else {
        text = FromWellFormedUtf8(bytes);
        if (!text && IsWellFormedGbk(bytes)) text = decoder.Decode(bytes, u"GBK");
    }
    if (!text || text->find(u'\0') != Text::npos) return NotText();
    return {std::move(*text), std::nullopt};
}

TextView ListFileProblemText(ListFileProblem problem) {
    return problem == ListFileProblem::TooLarge ? kListTooLargeText : kListNotTextText;
}

std::vector<ListRow> ListRows(TextView text) {
    std::vector<ListRow> rows;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(u"\r\n", start);
        if (end == TextView::npos) end = text.size();
        const TextView line = TrimBlanks(text.substr(start, end - start));
        start = end + (text.substr(end).starts_with(u"\r\n") ? 2 : 1);
        if (const std::optional<QvodLinkText> link = FirstQvodLink(line)) {
            rows.push_back({Text(link->name), Text(link->link), kEngineDirect});
        } else if (Text address = WebAddress(line); !address.empty()) {
            Text name = LastPathSegment(address);
            rows.push_back({std::move(name), std::move(address), kEnginePage});
        }
    }
    return rows;
}

bool HoldsQvodLink(TextView text) {
    return FirstQvodLink(text).has_value();
}

std::size_t AddListRows(TaskList& tasks, const std::vector<ListRow>& rows) {
    std::size_t added = 0;
    for (const ListRow& row : rows)
        if (tasks.AddTask(row.name, row.address, row.engine, {}, row.address)) ++added;
    return added;
}

}  // namespace ferrik
