#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <utility>

#include "analysis/codepage_win.h"
#include "analysis/document_win.h"
#include "analysis/fetch.h"
#include "analysis/http_win.h"
#include "platform/pump_win.h"
#include "platform/worker_win.h"
#include "web/own_browser_win.h"
#include "win/support/http_server.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

using test::HttpTestServer;

std::string Encode(TextView text, UINT codePage) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    std::string out(
        static_cast<std::size_t>(WideCharToMultiByte(codePage, 0, wide, size, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(codePage, 0, wide, size, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

class CountingDecoder final : public ByteDecoder {
public:
    Text Decode(std::string_view bytes, TextView charset) const override {
        ++calls;
        return DecodeBytes(bytes, charset);
    }
    mutable int calls = 0;
};

// Runs `action` from a thread timer while the GUI thread waits in a fetch.
class TimerAction {
public:
    TimerAction(UINT ms, std::function<void()> action) : m_action(std::move(action)) {
        s_current = this;
        m_id = SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR, DWORD) CALLBACK {
            if (s_current->m_action) s_current->m_action();
        });
    }
    ~TimerAction() {
        KillTimer(nullptr, m_id);
        s_current = nullptr;
    }

private:
    static inline TimerAction* s_current = nullptr;
    std::function<void()> m_action;
    UINT_PTR m_id = 0;
};

HttpOptions QuickOptions() {
    HttpOptions options;
    options.connectTimeoutMs = 2000;
    options.sendTimeoutMs = 2000;
    options.receiveTimeoutMs = 2000;
    options.totalTimeoutMs = 10000;
    return options;
}

class Fetch : public testing::Test {
protected:
    HttpTestServer server;
    WinInetFetcher fetcher{QuickOptions()};
    CountingDecoder decoder;
};

TEST_F(Fetch, GbkPageComesOutAsChinese) {
    const Text page = u"<html><title>快播电影</title><a href=\"qvod://123|片名.rmvb|\">第1集</a></html>";
    server.Serve("/list.html", test::Page(Encode(page, 936), "text/html; charset=gb2312"));
    EXPECT_EQ(FetchPage(fetcher, decoder, server.Url("/list.html"), u"GB2312"), page);

    const HttpResponse response = fetcher.Get(server.Url("/list.html"), u"UTF-8");
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.contentType, "text/html; charset=gb2312");
    EXPECT_EQ(response.finalUrl, server.Url("/list.html"));
}

TEST_F(Fetch, ErrorStatusStillGivesItsBody) {
    server.Serve("/gone", test::Page("<p>page missing</p>", "text/html", 404));
    EXPECT_EQ(FetchPage(fetcher, decoder, server.Url("/gone"), u"UTF-8"), u"<p>page missing</p>");
    EXPECT_EQ(fetcher.Get(server.Url("/gone"), u"UTF-8").status, 404);
    EXPECT_EQ(fetcher.Get(server.Url("/unserved"), u"UTF-8").status, 404);
}

TEST_F(Fetch, EmptyBodyGivesEmptyTextWithoutDecoding) {
    server.Serve("/empty", test::Page("", "text/html"));
    server.Serve("/error-empty", test::Page("", "text/html", 500));
    EXPECT_EQ(FetchPage(fetcher, decoder, server.Url("/empty"), u"GB2312"), u"");
    EXPECT_EQ(FetchPage(fetcher, decoder, server.Url("/error-empty"), u"GB2312"), u"");
    EXPECT_EQ(decoder.calls, 0);
}

TEST_F(Fetch, RedirectsAreFollowedAndTheFinalAddressReported) {
    server.Serve("/final?x=1", test::Page("arrived"));
    server.Serve("/relative", test::Redirect(302, "/final?x=1"));
    server.Serve("/absolute", test::Redirect(301, server.UrlUtf8("/relative")));
    const HttpResponse response = fetcher.Get(server.Url("/absolute"), u"UTF-8");
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "arrived");
    EXPECT_EQ(response.finalUrl, server.Url("/final?x=1"));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].target, "/final?x=1");
}

TEST_F(Fetch, GzipBodiesAreDecoded) {
    std::string big;
    for (int i = 0; big.size() < 200000; ++i) big += "<a href=\"qvod://" + std::to_string(i) + "\">集</a>\n";
    server.Serve("/gzip", test::Encoded(test::ContentCoding::Gzip, big));
    server.Serve("/gzip-empty", test::Encoded(test::ContentCoding::Gzip, ""));
    EXPECT_EQ(fetcher.Get(server.Url("/gzip"), u"UTF-8").body, big);
    EXPECT_EQ(FetchPage(fetcher, decoder, server.Url("/gzip-empty"), u"GB2312"), u"");
    EXPECT_EQ(decoder.calls, 0);
    // Only gzip is asked for: WinINet's "deflate" decoding differs between systems (Wine reads it
    // as a raw deflate stream and fails on the zlib stream that the protocol prescribes).
    EXPECT_EQ(server.Requests().at(0).Header("Accept-Encoding"), "gzip");
}

TEST_F(Fetch, UnaskedDeflateBodyIsDecodedOrFailsButNeverPassesThrough) {
    server.Serve("/deflate", test::Encoded(test::ContentCoding::Deflate, "deflated body"));
    try {
        EXPECT_EQ(fetcher.Get(server.Url("/deflate"), u"UTF-8").body, "deflated body");
    } catch (const FetchError&) {
    }
}

TEST_F(Fetch, RequestsAreNotServedFromTheCache) {
    test::Reply cacheable = test::Page("first");
    cacheable.headers.emplace_back("Cache-Control", "max-age=3600");
    server.Serve("/cached", cacheable);
    EXPECT_EQ(fetcher.Get(server.Url("/cached"), u"UTF-8").body, "first");
    server.Serve("/cached", test::Page("second"));
    EXPECT_EQ(fetcher.Get(server.Url("/cached"), u"UTF-8").body, "second");
}

TEST_F(Fetch, ServerThatNeverAnswersEndsByTheReceiveTimeout) {
    server.Serve("/silent", test::Silence());
    HttpOptions options = QuickOptions();
    options.receiveTimeoutMs = 500;
    WinInetFetcher quick(options);
    EXPECT_THROW(quick.Get(server.Url("/silent"), u"UTF-8"), FetchError);
}

TEST_F(Fetch, TricklingBodyEndsByTheOverallDeadline) {
    server.Serve("/trickle", test::Trickle("<p>more</p>", 50));
    HttpOptions options = QuickOptions();
    options.totalTimeoutMs = 1000;
    WinInetFetcher quick(options);
    EXPECT_THROW(quick.Get(server.Url("/trickle"), u"UTF-8"), FetchError);

    // The blocking form, as a worker thread uses it, has the same bound.
    EXPECT_THROW(HttpGetBlocking(server.Url("/trickle"), options), FetchError);
}

TEST_F(Fetch, BodyBeyondTheLimitFails) {
    // Declared but not sent: Wine would otherwise read and discard the rest while closing.
    test::Reply declared = test::Page("<html>", "text/html");
    declared.declareLength = false;
    declared.headers.emplace_back("Content-Length", "104857600");
    server.Serve("/declared", declared);
    server.Serve("/streamed", test::Generated(100u * 1024 * 1024, false));
    server.Serve("/exact", test::Generated(4096, false));
    EXPECT_THROW(fetcher.Get(server.Url("/declared"), u"UTF-8"), FetchError);  // the shipped 64 MiB limit
    EXPECT_THROW(HttpGetBlocking(server.Url("/declared"), HttpOptions()), FetchError);
    HttpOptions options = QuickOptions();
    options.maxBodyBytes = 4096;
    WinInetFetcher limited(options);
    EXPECT_EQ(limited.Get(server.Url("/exact"), u"UTF-8").body.size(), 4096u);
    EXPECT_THROW(limited.Get(server.Url("/streamed"), u"UTF-8"), FetchError);
}

// What reaches the server is what a browser sends for a link of a page in that charset: the path
// as UTF-8, the query in the page's charset, escapes as written; surrounding blanks do not count.
TEST_F(Fetch, AddressesGoOutAsABrowserSendsThem) {
    const struct {
        const char16_t* before;  // around the address, as pasted
        const char* path;
        const char16_t* after;
        const char16_t* charset;
        const char* target;
    } cases[] = {
        {u" ", "/电视剧/第1集.html?名=1&x=丂😀#片头", u"\t\n", u"GB2312",
         "/%E7%94%B5%E8%A7%86%E5%89%A7/%E7%AC%AC1%E9%9B%86.html?%C3%FB=1&x=%81@%26%23128512%3B"},
        {u"", "/电视剧/第1集.html?名=1&x=丂😀", u"", u"UTF-8",
         "/%E7%94%B5%E8%A7%86%E5%89%A7/%E7%AC%AC1%E9%9B%86.html?%E5%90%8D=1&x=%E4%B8%82%F0%9F%98%80"},
        {u"\x01  ", "/a b/%e7%94%b5/?q=%C3%FB 1&r='", u"", u"GB2312", "/a%20b/%e7%94%b5/?q=%C3%FB%201&r=%27"},
        {u"", "/电?名", u" ", u"big5", "/%E7%94%B5?%A6W"},
    };
    for (const auto& c : cases) {
        Text address = c.before;
        address += server.Url(c.path);
        address += c.after;
        SCOPED_TRACE(ToUtf8(address));
        EXPECT_EQ(fetcher.Get(address, c.charset).status, 404);
        const std::vector<test::RecordedRequest> requests = server.Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.back().target, c.target);
    }
}

TEST_F(Fetch, RejectedAddressesFail) {
    for (const char16_t* address : {u"", u"www.example.com/page.html", u"garbage", u"http://", u"ftp://127.0.0.1/x",
                                    u"file:///c:/windows/win.ini", u"javascript:alert(1)", u"http://a b\n/"}) {
        SCOPED_TRACE(ToUtf8(address));
        EXPECT_THROW(fetcher.Get(address, u"UTF-8"), FetchError);
    }
}

TEST_F(Fetch, NobodyListeningFails) {
    std::string url;
    {
        HttpTestServer closed;
        url = closed.UrlUtf8("/");
    }
    EXPECT_THROW(fetcher.Get(FromUtf8(url), u"UTF-8"), FetchError);
}

TEST_F(Fetch, QuitDuringTheWaitFailsPromptlyAndStaysQueued) {
    server.Serve("/silent", test::Silence());
    HttpOptions patientOptions;  // only the quit can end this wait before the test run's own time-out
    patientOptions.receiveTimeoutMs = patientOptions.totalTimeoutMs = 600000;
    WinInetFetcher patient(patientOptions);
    test::RunWhen([&] { return server.Asked("/silent"); }, [] { PostQuitMessage(3); });
    EXPECT_THROW(patient.Get(server.Url("/silent"), u"UTF-8"), FetchError);
    EXPECT_TRUE(QuitRequested());
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    // Once the program is ending, further fetches fail at once.
    EXPECT_THROW(patient.Get(server.Url("/silent"), u"UTF-8"), FetchError);
    ClearQuitRequest();
}

TEST_F(Fetch, MessagesAreDispatchedDuringTheWaitAndNestedFetchesWork) {
    test::Reply held = test::Page("0123456789");
    held.held = true;
    server.Serve("/held", held);
    server.Serve("/inner", test::Page("inner"));
    std::string inner;
    // While the outer fetch waits at the server, a timer's message runs a fetch of its own.
    test::RunWhen([&] { return server.Asked("/held"); }, [&] {
        inner = fetcher.Get(server.Url("/inner"), u"UTF-8").body;
        server.Release();
    });
    EXPECT_EQ(fetcher.Get(server.Url("/held"), u"UTF-8").body, "0123456789");
    EXPECT_EQ(inner, "inner");
}

TEST_F(Fetch, BlockingGetWorksOnAWorkerThread) {
    server.Serve("/page", test::Page("worker"));
    std::string body;
    std::thread worker([&] { body = HttpGetBlocking(server.Url("/page"), QuickOptions()).body; });
    worker.join();
    EXPECT_EQ(body, "worker");

    CancelToken cancelled;
    cancelled.Request();
    const HttpResult result = HttpGet(server.Url("/page"), u"UTF-8", QuickOptions(), cancelled);
    EXPECT_FALSE(result.response.has_value());
    EXPECT_EQ(result.error, "cancelled");
}

TEST(DecodeBytes, LabelsChooseTheConverter) {
    const struct {
        const char* bytes;
        const char16_t* charset;
        const char16_t* expected;
    } cases[] = {
        {"\xD6\xD0\xCE\xC4", u"GB2312", u"中文"},
        {"\xD6\xD0\xCE\xC4", u"gbk", u"中文"},
        {"\xD6\xD0\xCE\xC4", u"no-such-charset", u"中文"},
        {"\xD6\xD0\xCE\xC4", u"", u"中文"},
        {"\xD6\xD0\x80", u"gb18030", u"中€"},
        {"\xE4\xB8\xAD\xE6\x96\x87", u"UTF-8", u"中文"},
        {"\xEF\xBB\xBFok", u"utf-8", u"ok"},
        {"\xA4\xA4\xA4\xE5", u"big5", u"中文"},
        {"\x92\x86\x95\xB6", u"Shift_JIS", u"中文"},
        {"\xC7\xD1\xB1\xB9", u"EUC-KR", u"한국"},
        {"caf\xE9 \x80", u"iso-8859-1", u"café €"},
        {"\xFF\xFE\x2D\x4E", u"utf-16", u"中"},
        {"\x4E\x2D\x65", u"UTF-16BE", u"中\uFFFD"},
        {"", u"UTF-8", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.bytes) + " as " + ToUtf8(c.charset));
        EXPECT_EQ(DecodeBytes(c.bytes, c.charset), c.expected);
    }
}

TEST(DecodeBytes, UndecodableBytesAreReplacedNotFatal) {
    EXPECT_EQ(DecodeBytes("a\xFF"
                          "b",
                          u"UTF-8"),
              u"a\uFFFDb");
    const Text gbk = DecodeBytes("a\xD6", u"GB2312");  // a lead byte cut off at the end
    ASSERT_FALSE(gbk.empty());
    EXPECT_EQ(gbk.front(), u'a');
    EXPECT_EQ(gbk.size(), 2u);
}

// Every caller of a request on a worker: whether its wait ended as a failed request ends it (the
// fetch fails; the document completes without links; the own browser reports the host as
// unreachable) within a generous bound.
constexpr DWORD kWaitBoundMs = 20000;

struct Caller {
    const char* what;
    std::function<bool(const Text& address, const HttpOptions& options)> endsFailed;
};

const Caller kCallers[] = {
    {"page fetch (text analysis, an SS1 row at submission)",
     [](const Text& address, const HttpOptions& options) {
         WinInetFetcher fetcher(options);
         bool bound = false;
         TimerAction guard(kWaitBoundMs, [&] {
             bound = true;
             PostQuitMessage(0);  // the only way to end a fetch's wait from here
         });
         bool failed = false;
         try {
             fetcher.Get(address, u"UTF-8");
         } catch (const FetchError&) {
             failed = true;
         }
         if (bound) {
             MSG msg;
             PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
             ClearQuitRequest();
         }
         return failed && !bound;
     }},
    {"document load",
     [](const Text& address, const HttpOptions& options) {
         WinDocumentLoader loader(options);
         const std::unique_ptr<Document> document = loader.CreateDocument(address);
         if (!document) return false;
         const bool complete = test::PumpUntil([&] { return document->ReadyState() == kReadyComplete; }, kWaitBoundMs);
         return complete && document->Links().empty() && !document->Interrupted();
     }},
    {"own browser",
     [](const Text& address, const HttpOptions& options) {
         struct Events final : BrowserEvents {
             void NavigateError(TextView, std::int32_t code, bool&) override { error = code; }
             void DocumentComplete(TextView) override { ++documents; }
             std::int32_t error = 0;
             int documents = 0;
         } events;
         HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                       nullptr, nullptr);
         bool ended = false;
         {
             OwnBrowser browser(parent, events, options);
             browser.Navigate(address);
             ended = test::PumpUntil([&] { return events.documents > 0; }, kWaitBoundMs);
         }
         DestroyWindow(parent);
         return ended && events.error == kInetResourceNotFound;
     }},
};

// A worker that throws (out of memory reading a page) still ends its caller's wait.
TEST(WorkerFailure, EveryCallerEndsAsForAFailedRequest) {
    HttpTestServer server;
    server.Serve("/page.html", test::Page("<a href=\"/1.html\">1</a>"));
    HttpOptions patient = QuickOptions();
    patient.totalTimeoutMs = 600000;  // no deadline ends these waits first
    for (const Caller& caller : kCallers) {
        SCOPED_TRACE(caller.what);
        FailNextWorkersForTests(1);
        EXPECT_TRUE(caller.endsFailed(server.Url("/page.html"), patient));
        FailNextWorkersForTests(0);
    }
}

// One deadline for the whole request, its headers included: a server that sends them a byte at a
// time for ever ends every caller's wait there.
TEST(RequestDeadline, EveryCallerEndsWhenTheHeadersTrickle) {
    HttpOptions options = QuickOptions();
    options.totalTimeoutMs = 1500;  // each byte comes well within the receive time-out
    for (const Caller& caller : kCallers) {
        SCOPED_TRACE(caller.what);
        HttpTestServer server;
        server.Serve("/head", test::EndlessHead(100));
        EXPECT_TRUE(caller.endsFailed(server.Url("/head"), options));
    }
}

}  // namespace
}  // namespace ferrik
