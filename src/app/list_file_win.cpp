#include "app/list_file_win.h"

#include <commdlg.h>

#include <cwchar>
#include <utility>
#include <vector>

#include "app/list_file.h"
#include "platform/handles_win.h"
#include "platform/system_dlls_win.h"
#include "platform/system_message_win.h"
#include "platform/text_win.h"

namespace ferrik {

namespace {

// Filters as the dialogs take them: pairs of a name and its patterns, each ended by U+0000, and
// one more at the end (the literals' own terminator).
constexpr wchar_t kSaveFilter[] = L"文本文件 (*.txt)\0*.txt\0";
constexpr wchar_t kOpenFilter[] = L"文本文件 (*.txt)\0*.txt\0所有文件 (*.*)\0*.*\0";

// Room for a long path the dialog gives back (it reports one that does not fit as an error).
constexpr DWORD kPathCapacity = 32768;

BOOL ShowSystemDialog(OPENFILENAMEW& dialog, ListFileAction action) {
    return action == ListFileAction::Export ? late::GetSaveFileNameW(&dialog) : late::GetOpenFileNameW(&dialog);
}

Text LastErrorText() {
    return SystemMessageText(GetLastError());
}

// The folder of a path: up to its last separator, kept as "C:\" for a file in a drive's root.
Text FolderOf(const Text& path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    if (slash == Text::npos) return {};
    return path.substr(0, slash == 2 && path[1] == u':' ? 3 : slash);
}

}  // namespace

ListFileDialogs::ListFileDialogs(Show show) : m_show(show ? std::move(show) : Show(ShowSystemDialog)) {}

std::optional<Text> ListFileDialogs::Ask(HWND owner, ListFileAction action) {
    const bool save = action == ListFileAction::Export;
    std::vector<wchar_t> file(kPathCapacity, L'\0');
    if (save) {
        const Text suggested(kListFileSuggestedName);
        std::wmemcpy(file.data(), Wide(suggested), suggested.size());
    }
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = save ? kSaveFilter : kOpenFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = kPathCapacity;
    dialog.lpstrInitialDir = m_folder.empty() ? nullptr : Wide(m_folder);
    // No lpstrDefExt: a name typed without ".txt" is the name the user wants. The dialog must not
    // move the process's current directory, which a relative path of the command line is read from.
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_DONTADDTORECENT |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!m_show(dialog, action)) return std::nullopt;
    file.back() = L'\0';
    Text path(reinterpret_cast<const char16_t*>(file.data()));
    if (path.empty()) return std::nullopt;
    m_folder = FolderOf(path);
    return path;
}

Text WriteFileWhole(TextView path, std::string_view bytes) {
    const Text target(path);
    const Text folder = FolderOf(target);
    // GetTempFileName makes the file, unique in that folder, so that nothing else writes into it.
    wchar_t temporary[MAX_PATH] = {};
    if (!GetTempFileNameW(folder.empty() ? L"." : Wide(folder), L"frk", 0, temporary)) return LastErrorText();
    Text problem;
    {
        UniqueHandle file(
            CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (file.get() == INVALID_HANDLE_VALUE ||
            (!bytes.empty() &&
             !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) ||
            written != bytes.size() || !FlushFileBuffers(file.get()))
            problem = LastErrorText();
    }
    if (problem.empty() && !MoveFileExW(temporary, Wide(target), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        problem = LastErrorText();
    if (!problem.empty()) DeleteFileW(temporary);
    return problem;
}

FileRead ReadFileUpTo(TextView path, std::size_t limit) {
    FileRead read;
    const Text name(path);
    UniqueHandle file(CreateFileW(Wide(name), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (file.get() == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.get(), &size)) {
        read.error = LastErrorText();
        return read;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > limit) {
        read.tooLarge = true;
        return read;
    }
    read.bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t total = 0;
    while (total < read.bytes.size()) {
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(read.bytes.size() - total);
        if (!ReadFile(file.get(), read.bytes.data() + total, wanted, &got, nullptr)) {
            read.error = LastErrorText();
            read.bytes.clear();
            return read;
        }
        if (got == 0) break;  // the file became shorter meanwhile
        total += got;
    }
    read.bytes.resize(total);
    return read;
}

}  // namespace ferrik
