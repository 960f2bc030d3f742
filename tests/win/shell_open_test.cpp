#include "app/shell_open_win.h"

#include <gtest/gtest.h>

#include <string>

namespace ferrik {
namespace {

TEST(ShellOpen, EmptyTextOpensNothing) {
    EXPECT_EQ(ShellOpen(u""), 0);
    EXPECT_EQ(ShellOpen(u"|/c exit"), 0);
}

TEST(ShellOpen, OpensWithTheParametersInC) {
    const std::string name = "ferrik_shellopen_" + std::to_string(GetCurrentProcessId()) + ".txt";
    const std::string path = "C:\\" + name;
    DeleteFileA(path.c_str());
    // cmd writes its file into the working directory the shell gave it.
    EXPECT_GT(ShellOpen(u"cmd.exe|/c echo ok>" + FromUtf8(name)), 32);
    bool created = false;
    for (int i = 0; i < 400 && !created; ++i) {
        Sleep(50);
        created = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    EXPECT_TRUE(created);
    for (int i = 0; i < 40 && !DeleteFileA(path.c_str()); ++i) Sleep(50);
}

}  // namespace
}  // namespace ferrik
