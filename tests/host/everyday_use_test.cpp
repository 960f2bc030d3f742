// The portable halves of addresses from anywhere and choosing rows by name: the command line, the
// text of a drop, an Internet shortcut's text, and the name masks over a task list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/choose_by_name.h"
#include "app/command_line.h"
#include "forms/address_drop.h"

namespace ferrik {
namespace {

TEST(StartAddress, TakesTheFirstArgumentAsTheShellSplitsItWhenItIsAWebAddress) {
    struct Case {
        const char16_t* line;
        const char16_t* argument;  // the first after the program's name
        const char16_t* address;   // what the address box starts with
    };
    const Case cases[] = {
        {u"ferrik.exe", u"", u""},
        {u"ferrik.exe   ", u"", u""},
        {u"ferrik.exe http://a.cn/1.html", u"http://a.cn/1.html", u"http://a.cn/1.html"},
        {u"\"C:\\Program Files\\Ferrik\\ferrik.exe\" http://a.cn/", u"http://a.cn/", u"http://a.cn/"},
        {u"\"C:\\a b\\ferrik.exe\"http://a.cn/", u"http://a.cn/", u"http://a.cn/"},  // the name ends at its quote
        {u"ferrik.exe \t \"  http://a.cn/a b.html \"  second third", u"  http://a.cn/a b.html ",
         u"http://a.cn/a b.html"},
        {u"ferrik.exe http://a.cn/\"x y\"z.html", u"http://a.cn/x yz.html", u"http://a.cn/x yz.html"},
        {u"ferrik.exe \"\" http://a.cn/", u"", u""},
        {u"ferrik.exe C:\\films\\", u"C:\\films\\", u""},
        {u"ferrik.exe \"C:\\films\\\\\" next", u"C:\\films\\", u""},
        {u"ferrik.exe a\\\"b", u"a\"b", u""},
        {u"ferrik.exe \"unclosed http://a.cn/", u"unclosed http://a.cn/", u""},
        {u"C:\\ferrik.exe 第01集", u"第01集", u""},
        {u"ferrik.exe \\\\host\\share\\film.url", u"\\\\host\\share\\film.url", u""},
        {u"ferrik.exe file://host/share/x http://a.cn/", u"file://host/share/x", u""},
        {u"ferrik.exe HTTPS://A.CN/", u"HTTPS://A.CN/", u"HTTPS://A.CN/"},
    };
    for (const Case& c : cases) {
        const std::vector<Text> args = SplitCommandLine(c.line);
        EXPECT_EQ(args.size() > 1 ? args[1] : Text(), c.argument) << ToUtf8(c.line);
        EXPECT_EQ(StartAddress(c.line), c.address) << ToUtf8(c.line);
    }
    EXPECT_EQ(SplitCommandLine(u"\"C:\\a\\ferrik.exe\" x").front(), u"C:\\a\\ferrik.exe");
}

// A shortcut handed over on the command line (dropped on the program's icon) gives the address it
// holds; an argument that is a web address is taken as it is, even one that ends in ".url".
TEST(StartAddress, AShortcutFileGivesTheAddressItHolds) {
    struct Case {
        const char16_t* line;
        const char16_t* shortcutHolds;  // what the reader finds in the file
        const char16_t* asked;          // the path the reader is asked for, or nothing
        const char16_t* address;
    };
    const Case cases[] = {
        {u"ferrik.exe C:\\Desktop\\film.url", u"http://a.cn/film.html", u"C:\\Desktop\\film.url",
         u"http://a.cn/film.html"},
        {u"\"C:\\Ferrik\\ferrik.exe\" \"C:\\我的 电影\\笑傲江湖.URL\" x.url", u"http://a.cn/2.html",
         u"C:\\我的 电影\\笑傲江湖.URL", u"http://a.cn/2.html"},
        {u"ferrik.exe film.url", u"http://a.cn/3.html", u"film.url", u"http://a.cn/3.html"},
        {u"ferrik.exe http://a.cn/list.url", u"http://wrong.cn/", nullptr, u"http://a.cn/list.url"},
        {u"ferrik.exe C:\\films\\film.txt", u"http://a.cn/", nullptr, u""},
        {u"ferrik.exe C:\\film.url", u"", u"C:\\film.url", u""},
        {u"ferrik.exe C:\\film.url", u"file://host/share/x", u"C:\\film.url", u""},
        {u"ferrik.exe", u"http://a.cn/", nullptr, u""},
    };
    for (const Case& c : cases) {
        std::vector<Text> asked;
        const Text address = StartAddress(c.line, [&](TextView path) {
            asked.emplace_back(path);
            return Text(c.shortcutHolds);
        });
        EXPECT_EQ(address, c.address) << ToUtf8(c.line);
        EXPECT_EQ(asked, c.asked ? std::vector<Text>{c.asked} : std::vector<Text>{}) << ToUtf8(c.line);
    }
    EXPECT_EQ(StartAddress(u"ferrik.exe C:\\film.url"), u"");  // nothing reads shortcuts
}

// A shortcut's text as the system writes it: its address is URL in section [InternetShortcut].
TEST(ShortcutText, TheUrlOfItsInternetShortcutSection) {
    const Text longAddress = u"http://a.cn/" + Text(5000, u'x');
    struct Case {
        Text text;
        Text address;
    };
    const Case cases[] = {
        {u"[InternetShortcut]\r\nURL=http://a.cn/1.html\r\n", u"http://a.cn/1.html"},
        {u"[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,2\r\n[InternetShortcut]\r\nIDList=\r\n"
         u"URL=http://a.cn/2.html\r\nIconIndex=0\r\n",
         u"http://a.cn/2.html"},
        {u"[internetshortcut]\nurl = \"http://a.cn/3.html\"\n", u"http://a.cn/3.html"},
        {u"[InternetShortcut]\r\nURL=" + longAddress + u"\r\n", longAddress},  // longer than a data file's value
        {u"[Other]\r\nURL=http://a.cn/\r\n", u""},
        {u"URL=http://a.cn/\r\n[InternetShortcut]\r\n", u""},
        {u"[InternetShortcut]\r\nURL=file:///C:/Windows/x.exe\r\n", u""},
        {u"[InternetShortcut]\r\nURL=javascript:alert(1)\r\n", u""},
    };
    for (const Case& c : cases) EXPECT_EQ(AddressOfShortcut(c.text), c.address) << ToUtf8(c.text.substr(0, 80));
}

TEST(DroppedAddress, FirstNonBlankLineOfTheText) {
    EXPECT_EQ(AddressFromDroppedText(u"http://a.cn/1.html"), u"http://a.cn/1.html");
    EXPECT_EQ(AddressFromDroppedText(u" \t\r\n\r\n  http://a.cn/1.html \t\r\nhttp://b.cn/"), u"http://a.cn/1.html");
    EXPECT_EQ(AddressFromDroppedText(u"a b\rc"), u"a b");
    EXPECT_EQ(AddressFromDroppedText(u" \r\n\t"), u"");
    EXPECT_EQ(AddressFromDroppedText(u""), u"");

    EXPECT_TRUE(IsShortcutFileName(u"C:\\Desktop\\笑傲江湖.URL"));
    EXPECT_FALSE(IsShortcutFileName(u"C:\\Desktop\\film.url.txt"));
    EXPECT_FALSE(IsShortcutFileName(u"url"));
}

// Shortcut files are read only from a drive of this computer: nothing over the network.
TEST(DroppedAddress, OnlyDriveLetterPathsAreRead) {
    struct Case {
        const char16_t* path;
        bool read;
    };
    const Case cases[] = {
        {u"C:\\Users\\a\\Desktop\\笑傲江湖.url", true},
        {u"d:\\x.url", true},
        {u"\\\\server\\share\\x.url", false},
        {u"//server/share/x.url", false},
        {u"\\\\?\\UNC\\server\\share\\x.url", false},
        {u"\\\\?\\C:\\x.url", false},
        {u"\\\\.\\pipe\\x.url", false},
        {u"C:\\\\server\\share\\x.url", false},
        {u"C:x.url", false},
        {u"C:/x.url", false},
        {u"\\x.url", false},
        {u"x.url", false},
        {u"C:\\x.url:stream", false},
        {u"1:\\x.url", false},
        {u"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsDriveLetterPath(c.path), c.read) << ToUtf8(c.path);
}

TEST(ChooseByName, TicksExactlyTheMatchingNames) {
    const std::vector<Text> names = {u"笑傲江湖第01集.rmvb", u"笑傲江湖第02集.RMVB", u"笑傲江湖第12集.rmvb",
                                     u"笑傲江湖第20集.mp4",  u"花絮[上].rmvb",       u""};
    struct Case {
        const char16_t* mask;
        std::vector<bool> ticked;  // nothing for a mask that changes nothing
    };
    const Case cases[] = {
        {u"*.rmvb", {true, true, true, false, true, false}},
        {u"*第0#集*", {true, true, false, false, false, false}},
        {u"*第[01]?集.rmvb", {true, true, true, false, false, false}},
        {u"*第[!0]#集*", {false, false, true, true, false, false}},
        {u"笑傲江湖第01集", {false, false, false, false, false, false}},  // the whole name must match
        {u"*", {true, true, true, true, true, true}},
        {u"花絮[[]上]*", {false, false, false, false, true, false}},
        {u"*[z-a]*", {}},
        {u"*第[01集*", {}},
        {u"", {}},
    };
    for (const Case& c : cases) {
        TaskList tasks;
        for (const Text& name : names) tasks.AddTask(name, name + u"|key", u"SS0", u"", name + u"|key");
        tasks.SetChecked(3, true);  // ticked before the choice
        const std::optional<std::size_t> count = ChooseByName(tasks, c.mask);
        std::vector<bool> ticked;
        for (std::size_t i = 0; i < tasks.Count(); ++i) ticked.push_back(tasks.At(i).checked);
        if (c.ticked.empty()) {
            EXPECT_FALSE(count) << ToUtf8(c.mask);
            EXPECT_EQ(ticked, (std::vector<bool>{false, false, false, true, false, false})) << ToUtf8(c.mask);
            EXPECT_FALSE(NameMaskProblem(c.mask).empty());
        } else {
            EXPECT_EQ(ticked, c.ticked) << ToUtf8(c.mask);
            EXPECT_EQ(count, static_cast<std::size_t>(std::count(c.ticked.begin(), c.ticked.end(), true)));
            EXPECT_EQ(NameMaskProblem(c.mask), u"");
        }
    }
    EXPECT_EQ(NameMaskProblem(u""), u"请输入名称匹配式。");
    EXPECT_EQ(ChosenByNameStatus(12), u"已按名称选中12项。");
}

TEST(ChooseByName, OneNotificationForTheChangedRowsAndTheLastMaskFirst) {
    struct Observer : TaskListObserver {
        void OnRowAdded(std::size_t) override {}
        void OnRowsCleared() override {}
        void OnRowChanged(std::size_t) override { ++single; }
        void OnRowsChanged(const std::vector<std::size_t>& rows) override { batches.push_back(rows); }
        void OnHeaderChanged(TextView) override {}
        int single = 0;
        std::vector<std::vector<std::size_t>> batches;
    } observer;
    TaskList tasks;
    for (Text k : {u"a1", u"b2", u"a3"}) tasks.AddTask(k, k, u"SS0", u"", k);
    tasks.SetChecked(1, true);
    tasks.SetObserver(&observer);
    ChooseByName(tasks, u"a*");
    ChooseByName(tasks, u"a*");
    EXPECT_EQ(observer.single, 0);
    EXPECT_EQ(observer.batches, (std::vector<std::vector<std::size_t>>{{0, 1, 2}}));

    std::vector<Text> history;
    for (Text mask : {u"*.rmvb", u"*01*", u"*.RMVB", u"*.rmvb"}) RememberMask(history, mask);
    EXPECT_EQ(history, (std::vector<Text>{u"*.rmvb", u"*.RMVB", u"*01*"}));
    for (int i = 0; i < 20; ++i) RememberMask(history, ToText(i));
    EXPECT_EQ(history.size(), 10u);
    EXPECT_EQ(history.front(), u"19");
}

}  // namespace
}  // namespace ferrik
