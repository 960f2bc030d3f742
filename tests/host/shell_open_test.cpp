#include "app/shell_open.h"

#include <gtest/gtest.h>

namespace ferrik {
namespace {

TEST(SplitShellOpen, ABarSeparatesTheParameters) {
    struct Case {
        const char16_t* text;
        const char16_t* file;
        const char16_t* parameters;
    };
    const Case cases[] = {
        {u"", u"", u""},
        {u"http://www.qvod.com/download.html", u"http://www.qvod.com/download.html", u""},
        {u"notepad.exe|a b.txt", u"notepad.exe", u"a b.txt"},
        {u"a|b|c", u"a", u"b"},
        {u"a|", u"a", u""},
        {u"|b", u"", u"b"},
        {u" x | y ", u" x ", u" y "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        const ShellOpenRequest request = SplitShellOpen(c.text);
        EXPECT_EQ(request.file, c.file);
        EXPECT_EQ(request.parameters, c.parameters);
    }
}

}  // namespace
}  // namespace ferrik
