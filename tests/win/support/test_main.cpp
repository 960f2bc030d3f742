// Windows test entry: the DLL search, COM and the common controls are ready before any test runs,
// as in the program.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "platform/system_dlls_win.h"
#include "platform/worker_win.h"

int main(int argc, char** argv) {
    ferrik::RestrictDllSearchToSystem();
    testing::InitGoogleTest(&argc, argv);
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    const int result = RUN_ALL_TESTS();
    ferrik::EndWorkersOrEndProcess(result);  // as the program's end does
    OleUninitialize();
    return result;
}
