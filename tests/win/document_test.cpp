// Link analysis with the real document loader against the loopback server: the worker fetches
// and extracts while the GUI thread polls and pumps.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/document_win.h"
#include "analysis/links.h"
#include "analysis/qvod.h"
#include "common/stop_flag.h"
#include "analysis/codepage_win.h"
#include "analysis/http_win.h"
#include "platform/pump_win.h"
#include "support/http_server.h"
#include "support/ui_driver.h"

namespace ferrik {
namespace {

using test::HttpTestServer;
using test::Page;

class RecordingStatus final : public StatusLine {
public:
    void ShowStatus(TextView text) override { texts.emplace_back(text); }
    std::vector<Text> texts;
};

class CountingBeeper final : public Beeper {
public:
    void Beep() override { ++count; }
    int count = 0;
};


constexpr char kEpisodeList[] =
    "<html><head><meta charset=\"utf-8\"><title>列表</title></head><body>"
    "<a href=\"/PLAY/1.HTML\">第1集</a> <a href=\"play/2.html\">第2集</a>"
    "<a href=\"/list/2.html\">下一页</a><map><area href=\"play/3.html\"></map>"
    "</body></html>";

class DocumentLoaderTest : public testing::Test {
protected:
    DocumentLoaderTest() { StopFlag = 0; }
    ~DocumentLoaderTest() override { StopFlag = 0; }

    std::vector<Text> Addresses() const {
        std::vector<Text> out;
        for (std::size_t i = 0; i < tasks.Count(); ++i) out.push_back(tasks.At(i).address);
        return out;
    }

    WinDocumentLoader loader;
    Win32MessagePump pump;
    RecordingStatus status;
    LinkAnalysisPorts ports{loader, pump, status};
    TaskList tasks;
    CountingBeeper beeper;
};

TEST_F(DocumentLoaderTest, PageLinksBecomeRows) {
    HttpTestServer server;
    server.Serve("/dir/list.html", Page(kEpisodeList, "text/html; charset=utf-8"));
    AnalyseLinks(ports, tasks, beeper, server.Url("/dir/list.html"), u"*/play/*.html", kEnginePage);
    EXPECT_EQ(Addresses(), (std::vector<Text>{server.Url("/PLAY/1.HTML"), server.Url("/dir/play/2.html"),
                                              server.Url("/dir/play/3.html")}));
    ASSERT_EQ(tasks.Count(), 3u);
    EXPECT_EQ(tasks.At(0).name, u"第1集");
    EXPECT_EQ(tasks.At(2).name, u"");
    EXPECT_EQ(beeper.count, 1);
    EXPECT_EQ(status.texts, (std::vector<Text>{u"正在准备分析网页……", u"正在读取网页信息……", u"完成分析。"}));

    EXPECT_EQ(FindPageLink(ports, server.Url("/dir/list.html"), u"*/play/*.html", 1), server.Url("/dir/play/2.html"));
}

TEST_F(DocumentLoaderTest, RedirectedPageResolvesAgainstFinalAddress) {
    HttpTestServer server;
    server.Serve("/old", test::Redirect(302, "/dir/list.html"));
    server.Serve("/dir/list.html", Page(kEpisodeList, "text/html; charset=utf-8"));
    EXPECT_EQ(FindPageLink(ports, server.Url("/old"), u"*/play/2.html", 0), server.Url("/dir/play/2.html"));
}

TEST_F(DocumentLoaderTest, ErrorPageLinksStillCount) {
    HttpTestServer server;
    server.Serve("/gone.html", Page(kEpisodeList, "text/html; charset=utf-8", 404));
    AnalyseLinks(ports, tasks, beeper, server.Url("/gone.html"), u"*", kEnginePage);
    EXPECT_EQ(tasks.Count(), 4u);
}

// The worker is still waiting when the test ends: the server outlives the test, so the program
// ends with the request open. The worker holds its own share of the load and touches no window.
TEST_F(DocumentLoaderTest, StopEndsTheWaitForAServerThatNeverAnswers) {
    static HttpTestServer* server = new HttpTestServer;
    server->Serve("/list.html", test::Silence());
    // The stop comes while the load waits at the server.
    test::RunWhen([] { return server->Requests().size() == 1; }, [] { StopFlag = 1; });
    AnalyseLinks(ports, tasks, beeper, server->Url("/list.html"), u"*", kEnginePage);
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(beeper.count, 0);
    EXPECT_EQ(status.texts, (std::vector<Text>{u"正在准备分析网页……", u"完成分析。"}));

    test::RunWhen([] { return server->Requests().size() == 2; }, [] { StopFlag = 1; });
    EXPECT_EQ(FindPageLink(ports, server->Url("/list.html"), u"*", 0), u"");
    EXPECT_EQ(StopFlag, 0);
}

TEST_F(DocumentLoaderTest, QuitEndsTheWait) {
    HttpTestServer server;
    server.Serve("/list.html", test::Silence());
    PostQuitMessage(3);
    AnalyseLinks(ports, tasks, beeper, server.Url("/list.html"), u"*", kEnginePage);
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_TRUE(QuitRequested());
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    ClearQuitRequest();
}

std::string EncodeGbk(TextView text) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    std::string out(static_cast<std::size_t>(WideCharToMultiByte(936, 0, wide, size, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(936, 0, wide, size, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

// A pasted address with blanks around it loads; the Chinese links of a GBK page are listed
// readable, match a Chinese pattern, and when a row's page is fetched (as GB2312, like every
// "SS1" row) the server gets the bytes a browser sends for that link.
TEST_F(DocumentLoaderTest, ChineseLinksOfAGbkPageMatchAndGoOutAsABrowserSendsThem) {
    HttpTestServer server;
    server.Serve("/%E7%94%B5%E8%A7%86%E5%89%A7/list.html",
                 Page(EncodeGbk(u"<a href='/电视剧/第1集.html?名=1'>第1集</a><a href='第2集.html?名=2'>第2集</a>"
                                u"<a href='/综艺/第1期.html'>综艺</a>"),
                      "text/html; charset=gb2312"));
    server.Serve("/%E7%94%B5%E8%A7%86%E5%89%A7/%E7%AC%AC1%E9%9B%86.html?%C3%FB=1",
                 Page(EncodeGbk(u"qvod://1|A|第1集.rmvb|"), "text/html"));
    Text pasted = u" ";
    pasted += server.Url("/电视剧/list.html");
    pasted += u"\r\n";
    AnalyseLinks(ports, tasks, beeper, pasted, u"*/电视剧/*", kEnginePage);
    EXPECT_EQ(Addresses(), (std::vector<Text>{server.Url("/电视剧/第1集.html?名=1"), server.Url("/电视剧/第2集.html?名=2")}));
    EXPECT_EQ(beeper.count, 1);

    WinInetFetcher fetcher;
    const Win32Decoder decoder;
    EXPECT_EQ(GetQvodUrl(fetcher, decoder, tasks.At(0).address, 0, false), u"qvod://1|A|第1集.rmvb|");
    const std::vector<test::RecordedRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/%E7%94%B5%E8%A7%86%E5%89%A7/list.html");
}

TEST_F(DocumentLoaderTest, AddressesTheClientCannotFetchAreRejected) {
    for (const char16_t* address : {u"", u"www.site.com/list.html", u"ftp://127.0.0.1/list.html", u"about:blank",
                                    u"http://", u"javascript:void(0)"}) {
        try {
            AnalyseLinks(ports, tasks, beeper, address, u"*", kEnginePage);
            ADD_FAILURE() << "accepted " << ToUtf8(address);
        } catch (const LinkAnalysisError& e) {
            EXPECT_EQ(e.Failure(), LinkAnalysisFailure::RejectedAddress) << ToUtf8(address);
        }
    }
    EXPECT_EQ(beeper.count, 0);
}

}  // namespace
}  // namespace ferrik
