#pragma once
// The task list as a text file: 导出列表... writes every row's address, 导入列表... (and a list
// dropped on the main window) reads such a file back into rows. Bytes in, bytes out: the dialogs
// and the file itself are the Win32 half's (list_file_win.h).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ports.h"
#include "common/text.h"
#include "tasks/task_list.h"

namespace ferrik {

inline constexpr std::u16string_view kListFileSuggestedName = u"qvod列表.txt";

// The largest list file read; a larger one is refused unread.
inline constexpr std::size_t kMaxListFileBytes = 16 * 1024 * 1024;

inline constexpr std::u16string_view kListTooLargeText = u"文件超过16 MB，不像是任务列表，没有导入。";
inline constexpr std::u16string_view kListNotTextText = u"这个文件不是文本文件，没有导入。";

// Why a list could not be written or read: these, then the system's reason.
inline constexpr std::u16string_view kExportFailedText = u"无法导出列表：";
inline constexpr std::u16string_view kReadFailedText = u"无法读取文件：";

// "已导出" + count + "项。" and "已导入" + count + "项。", on the status line.
Text ExportedStatus(std::size_t count);
Text ImportedStatus(std::size_t count);

// The file 导出列表... writes: a UTF-8 byte order mark, then the address of each of `rows`
// (indices into `tasks`, in the order shown), each line ended by CR LF. UTF-8 cannot hold a lone
// surrogate (an escape may leave one in a link): it is written as U+FFFD.
std::string ExportListBytes(const TaskList& tasks, const std::vector<std::size_t>& rows);

// The text of a list file: UTF-16 after its byte order mark (either order), UTF-8 after its mark
// or when the bytes are well-formed UTF-8, else GBK, decoded by `decoder` (charset "GBK").
// Nothing when the bytes are no text: more than kMaxListFileBytes, a NUL character, or bytes that
// are well-formed in none of the encodings that apply.
enum class ListFileProblem { TooLarge, NotText };
struct ListFileText {
    Text text;
    std::optional<ListFileProblem> problem;
};
ListFileText DecodeListFile(std::string_view bytes, const ByteDecoder& decoder);

// The message box text for a refused file.
TextView ListFileProblemText(ListFileProblem problem);

// One row a list gives, as AddTask takes it (the key is the address).
struct ListRow {
    Text name;
    Text address;
    Text engine;
};

// The rows of a list's text, line by line (CR LF, LF or CR), each line without the blanks around
// it: a line holding a qvod:// link gives an "SS0" row of its first link, named by the link's third
// field, exactly as the page scan (analysis/qvod.h) lists it; a line that is a web address
// (common/web_address.h) gives an "SS1" row named by the last segment of its path (the host for a
// path with none); other lines give nothing. Repeated lines are kept: AddTask skips their keys.
std::vector<ListRow> ListRows(TextView text);

// Whether dropped text is a list to import rather than an address: it holds a qvod:// link (read
// as the page scan reads one).
bool HoldsQvodLink(TextView text);

// Adds the rows after the list's own through AddTask; returns how many were added (a key already
// listed and a full list add nothing).
std::size_t AddListRows(TaskList& tasks, const std::vector<ListRow>& rows);

}  // namespace ferrik
