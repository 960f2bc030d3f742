#include "app/player_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/prompts_win.h"
#include "support/player_support.h"

namespace ferrik {
namespace {

using test::CountingPrompts;
using test::Journal;

constexpr char16_t kGoodLink[] = u"qvod://123456|0123456789ABCDEF0123456789abcdef01234567|第01集.rmvb|";

Text Link(const char16_t* name) {
    return u"qvod://7|0123456789ABCDEF0123456789ABCDEF01234567|" + Text(name) + u"|";
}

std::unique_ptr<DispatchPlayer> CreateSubstitute(Prompts& prompts, HWND container) {
    std::unique_ptr<DispatchPlayer> player;
    EXPECT_TRUE(CreatePlayer(player, prompts, container)) << "is the player substitute registered?";
    return player;
}

TEST(PlayerControl, CreatesTheRegisteredControlQuietly) {
    CountingPrompts prompts;
    test::ContainerWindow container;
    std::unique_ptr<DispatchPlayer> player = CreateSubstitute(prompts, container.get());
    ASSERT_TRUE(player);
    EXPECT_NE(player->Dispatch(), nullptr);
    EXPECT_EQ(prompts.messages + prompts.opens, 0);
}

TEST(PlayerControl, AWellFormedLinkStartsForOnePollThenIsAcceptedAndJournaled) {
    Journal journal;
    CountingPrompts prompts;
    test::ContainerWindow container;
    auto player = CreateSubstitute(prompts, container.get());
    ASSERT_TRUE(player);
    EXPECT_EQ(player->PlayState(), 0) << "idle before any job";
    player->Stop();
    player->SetURL(kGoodLink);
    player->Play();
    EXPECT_EQ(player->Downrate(), 0);
    EXPECT_EQ(player->PlayState(), 10);
    EXPECT_TRUE(journal.Lines().empty()) << "not accepted yet";
    EXPECT_GT(player->Downrate(), 0);
    EXPECT_EQ(player->PlayState(), 3);
    EXPECT_EQ(player->Downrate(), player->Downrate()) << "stays accepted";
    EXPECT_EQ(journal.Lines(), std::vector<Text>{kGoodLink});
    player->Stop();
    EXPECT_EQ(player->Downrate(), 0);
    EXPECT_EQ(player->PlayState(), 0);
}

TEST(PlayerControl, EmptyAndMalformedLinksAndHooks) {
    Journal journal;
    CountingPrompts prompts;
    test::ContainerWindow container;
    auto player = CreateSubstitute(prompts, container.get());
    ASSERT_TRUE(player);
    struct Case {
        Text link;
        std::int32_t firstState;  // on the first poll (Downrate 0)
        std::int32_t laterState;  // on the second poll
        bool dataLater;           // Downrate > 0 on the second poll
    };
    const Case cases[] = {
        {u"", 0, 0, false},
        {u"http://example.com/a.rmvb", 1, 1, false},
        {u"qvod://12|0123456789ABCDEF|name|", 1, 1, false},                          // short hash
        {u"qvod://x2|0123456789ABCDEF0123456789ABCDEF01234567|name|", 1, 1, false},  // not digits
        {u"qvod://12|0123456789ABCDEF0123456789ABCDEF01234567|name", 1, 1, false},   // no final bar
        {u"QVOD://12|0123456789ABCDEF0123456789ABCDEF01234567|name|", 1, 1, false},  // scheme case
        {Link(u"@starting"), 10, 10, false},
        {Link(u"@state4"), 10, 4, false},
        {Link(u"@state-3"), 10, -3, false},
        {Link(u"@state7x"), 10, 3, true},  // not a hook: an ordinary name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.link));
        player->Stop();
        player->SetURL(c.link);
        player->Play();
        EXPECT_EQ(player->Downrate(), 0);
        EXPECT_EQ(player->PlayState(), c.firstState);
        EXPECT_EQ(player->Downrate() > 0, c.dataLater);
        EXPECT_EQ(player->PlayState(), c.laterState);
    }
    EXPECT_EQ(journal.Lines(), (std::vector<Text>{Link(u"@state4"), Link(u"@state7x")}));
}

TEST(PlayerControl, ARaisingMemberThrowsAndOtherwiseWorks) {
    CountingPrompts prompts;
    test::ContainerWindow container;
    auto player = CreateSubstitute(prompts, container.get());
    ASSERT_TRUE(player);
    player->SetURL(Link(u"@raise-Downrate"));
    player->Play();
    EXPECT_THROW(player->Downrate(), PlayerError);
    EXPECT_EQ(player->PlayState(), 10);
    EXPECT_THROW(player->Downrate(), PlayerError);
    EXPECT_EQ(player->PlayState(), 3);

    player->SetURL(Link(u"@raise-Stop"));
    player->Play();
    EXPECT_THROW(player->Stop(), PlayerError);
    EXPECT_EQ(player->PlayState(), 0) << "stopped all the same";
    EXPECT_NO_THROW(player->Stop());

    EXPECT_THROW(player->SetURL(Link(u"@raise-URL")), PlayerError);
    player->Play();
    EXPECT_EQ(player->Downrate(), 0) << "the link was taken all the same";
    EXPECT_EQ(player->PlayState(), 10);

    player->SetURL(Link(u"@raise-Play"));
    EXPECT_THROW(player->Play(), PlayerError);
    EXPECT_EQ(player->PlayState(), 10) << "started all the same";
}

// The control's whole life in its container, as a form hosts it: sited before it is initialised,
// activated in a hidden window of the container, then taken down before the container goes.
TEST(PlayerControl, IsSitedActivatedInAHiddenWindowAndTakenDownCompletely) {
    Journal journal;
    CountingPrompts prompts;
    test::ContainerWindow container;
    auto player = CreateSubstitute(prompts, container.get());
    ASSERT_TRUE(player);
    HWND host = player->Control().HostWindow();
    ASSERT_TRUE(IsWindow(host));
    EXPECT_EQ(GetParent(host), container.get());
    EXPECT_FALSE(IsWindowVisible(host));
    EXPECT_NE(GetWindow(host, GW_CHILD), nullptr) << "the control made its window in the host";
    player->Stop();
    player->SetURL(kGoodLink);
    player->Play();
    player->Downrate();
    EXPECT_GT(player->Downrate(), 0);
    player.reset();
    EXPECT_FALSE(IsWindow(host));
    EXPECT_EQ(journal.Events(), (std::vector<Text>{u"#sited", u"#activated", u"#stop", kGoodLink, u"#deactivated",
                                                  u"#closed", u"#unsited", u"#released"}));
    // Nothing of the control is left alive: its server may unload.
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    HMODULE server = GetModuleHandleW(L"qvodsim.dll");
    ASSERT_NE(server, nullptr);
    auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(server, "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
}

TEST(PlayerControl, MembersAreFoundByNameWhateverTheirIds) {
    SetEnvironmentVariableW(L"QVODSIM_DISPIDS", L"reversed");
    Journal journal;
    CountingPrompts prompts;
    test::ContainerWindow container;
    auto player = CreateSubstitute(prompts, container.get());
    SetEnvironmentVariableW(L"QVODSIM_DISPIDS", nullptr);
    ASSERT_TRUE(player);
    LPOLESTR name = const_cast<LPOLESTR>(L"Stop");
    DISPID id = 0;
    ASSERT_EQ(player->Dispatch()->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_NE(id, 1) << "the ids really differ";
    player->Stop();
    player->SetURL(kGoodLink);
    player->Play();
    EXPECT_EQ(player->Downrate(), 0);
    EXPECT_EQ(player->PlayState(), 10);
    EXPECT_GT(player->Downrate(), 0);
    EXPECT_EQ(journal.Lines(), std::vector<Text>{kGoodLink});
}

// A windowed control refuses to play for a caller that never sited and activated it.
TEST(PlayerControl, TheSubstituteRefusesToPlayUnhosted) {
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(kPlayerProgIdW, &clsid), S_OK);
    IDispatch* raw = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&raw)),
              S_OK);
    LPOLESTR name = const_cast<LPOLESTR>(L"Play");
    DISPID id = 0;
    ASSERT_EQ(raw->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    DISPPARAMS none{};
    EXCEPINFO excep{};
    EXPECT_EQ(raw->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, &excep, nullptr),
              DISP_E_EXCEPTION);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    raw->Release();
}

// Watches the given thread for message boxes titled "提示" from a second thread; reads each one's
// text and presses its OK button. Window texts are read without sending messages: a WM_GETTEXT sent
// to the watched thread while it waits in Stop() for this thread would never be answered.
class BoxWatcher {
public:
    explicit BoxWatcher(DWORD threadId) : m_threadId(threadId), m_thread([this] { Run(); }) {}
    ~BoxWatcher() { Stop(); }
    void Stop() {
        m_done = true;
        if (m_thread.joinable()) m_thread.join();
    }
    int boxes = 0;
    std::wstring text;

private:
    static BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
        wchar_t cls[16] = {};
        wchar_t title[16] = {};
        GetClassNameW(hwnd, cls, 16);
        InternalGetWindowText(hwnd, title, 16);
        if (wcscmp(cls, L"#32770") != 0 || wcscmp(title, L"提示") != 0 || !IsWindowVisible(hwnd)) return TRUE;
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    static BOOL CALLBACK FindText(HWND child, LPARAM param) {
        wchar_t cls[16] = {};
        wchar_t body[256] = {};
        GetClassNameW(child, cls, 16);
        InternalGetWindowText(child, body, 256);
        if (_wcsicmp(cls, L"Static") != 0 || body[0] == 0) return TRUE;
        *reinterpret_cast<std::wstring*>(param) = body;
        return FALSE;
    }
    void Run() {
        HWND last = nullptr;
        int sincePress = 0;
        while (!m_done) {
            HWND box = nullptr;
            EnumThreadWindows(m_threadId, FindBox, reinterpret_cast<LPARAM>(&box));
            if (box && box != last) {
                last = box;
                ++boxes;
                EnumChildWindows(box, FindText, reinterpret_cast<LPARAM>(&text));
            }
            // Pressed again while it stays: on a loaded machine the first press can come before the
            // box has its button.
            if (box && sincePress-- <= 0) {
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
                sincePress = 25;
            }
            Sleep(20);
        }
    }

    DWORD m_threadId;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

TEST(PlayerControl, AMissingControlShowsTheMessageOnceThenOpensTheDownloadPage) {
    CountingPrompts prompts;
    std::unique_ptr<DispatchPlayer> player;
    BoxWatcher watcher(GetCurrentThreadId());
    test::ContainerWindow container;
    const bool PlayerReady = CreatePlayer(player, prompts, container.get(), L"Ferrik.NoSuchPlayer.1");
    watcher.Stop();
    EXPECT_FALSE(PlayerReady);
    EXPECT_FALSE(player);
    EXPECT_EQ(watcher.boxes, 1);
    EXPECT_EQ(watcher.text, L"您可能没有安装Qvod播放器。软件将自动打开qvod下载页面引导您下载。");
    EXPECT_EQ(prompts.messages, 1);
    EXPECT_EQ(prompts.opens, 1);
    EXPECT_EQ(prompts.opened, kPlayerDownloadPage);
}

}  // namespace
}  // namespace ferrik
