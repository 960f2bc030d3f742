#include "app/shell_open_win.h"

#include <shellapi.h>

#include "app/prompts_win.h"
#include "app/shell_open.h"
#include "platform/system_dlls_win.h"

namespace ferrik {

INT_PTR ShellOpen(TextView text) {
    const ShellOpenRequest request = SplitShellOpen(text);
    if (request.file.empty()) return 0;
    const auto* parameters =
        request.parameters.empty() ? nullptr : reinterpret_cast<const wchar_t*>(request.parameters.c_str());
    const HINSTANCE result =
        late::ShellExecuteW(GetDesktopWindow(), L"Open", reinterpret_cast<const wchar_t*>(request.file.c_str()),
                            parameters, L"C:\\", SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result);
}

void Win32Prompts::ShellOpen(TextView text) {
    ferrik::ShellOpen(text);
}

}  // namespace ferrik
