#pragma once
// The Win32 half of the list file (app/list_file.h): the system's Save and Open dialogs, and the
// file written whole or not at all and read with a limit.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/text.h"

struct tagOFNW;  // OPENFILENAMEW

namespace ferrik {

enum class ListFileAction { Export, Import };

// Asks for the file of 导出列表... (the Save dialog, the name "qvod列表.txt" suggested, type
// "文本文件 (*.txt)") or of 导入列表... (the Open dialog, text files or all files), owned by the
// given window. Each opens in the folder of the file last chosen in this run; a name the user
// typed is kept as typed (no extension added).
class ListFileDialogs {
public:
    // Shows a dialog set up in `dialog`; the system's GetSaveFileNameW or GetOpenFileNameW by
    // default. Tests put their own answer in its place.
    // (OPENFILENAMEW: <commdlg.h>, whose FindText macro would rename the program's own FindText
    // wherever this header goes.)
    using Show = std::function<BOOL(::tagOFNW& dialog, ListFileAction action)>;
    explicit ListFileDialogs(Show show = nullptr);

    // The path chosen, or nothing when the dialog was cancelled or could not be shown.
    std::optional<Text> Ask(HWND owner, ListFileAction action);
    const Text& Folder() const { return m_folder; }

private:
    Show m_show;
    Text m_folder;  // of the file last chosen
};

// Writes `bytes` as the whole file `path`: into a new file beside it, then moved over it, so that
// a failure leaves the file as it was and no half-written file anywhere. Empty text when written,
// else the system's reason.
Text WriteFileWhole(TextView path, std::string_view bytes);

// The bytes of a list file, read only when it is no larger than `limit` (else `tooLarge`, nothing
// read). `error`: the system's reason when it could not be read.
struct FileRead {
    std::string bytes;
    bool tooLarge = false;
    Text error;
};
FileRead ReadFileUpTo(TextView path, std::size_t limit);

}  // namespace ferrik
