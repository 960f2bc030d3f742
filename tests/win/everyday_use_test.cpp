// Addresses from anywhere, choosing rows by name and what a screen reader reads of the image
// buttons: ferrik.exe started with an address, drops on both windows (the drop targets called with
// data objects of each format), the 按名称选择... prompt, and the web window's buttons read through
// AccessibleObjectFromWindow.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <oleacc.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/choose_by_name.h"
#include "app/list_file.h"
#include "app/list_file_win.h"
#include "app/main_window_win.h"
#include "common/stop_flag.h"
#include "host/support/fake_browser.h"
#include "program/web_window_factory_win.h"
#include "web/web_window_win.h"
#include "win/support/main_options.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

using test::PumpUntil;

std::wstring W(TextView text) {
    return std::wstring(text.begin(), text.end());
}

HGLOBAL GlobalOf(const void* bytes, std::size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory) {
        std::memcpy(GlobalLock(memory), bytes, size);
        GlobalUnlock(memory);
    }
    return memory;
}

HGLOBAL TextGlobal(const std::wstring& text) {
    return GlobalOf(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// CF_HDROP: a DROPFILES header and the wide paths, each ended by U+0000, and one more.
HGLOBAL FilesGlobal(const std::vector<std::wstring>& paths) {
    std::vector<char> bytes(sizeof(DROPFILES));
    auto* header = reinterpret_cast<DROPFILES*>(bytes.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    list += L'\0';
    const auto* chars = reinterpret_cast<const char*>(list.data());
    bytes.insert(bytes.end(), chars, chars + list.size() * sizeof(wchar_t));
    return GlobalOf(bytes.data(), bytes.size());
}

// What a browser, Explorer, a zip folder or a mail hands a drop: the bytes of each format, for a
// virtual file's contents one item each (its index), in an HGLOBAL or a stream (left at its end, as
// a source that has just written it leaves it). It logs the items asked for.
class StandInData final : public IDataObject {
public:
    StandInData() = default;
    // One format, its memory owned until the object goes.
    StandInData(CLIPFORMAT format, HGLOBAL memory) : m_owned(memory) {
        Add(format, std::string(static_cast<const char*>(GlobalLock(memory)), GlobalSize(memory)));
        GlobalUnlock(memory);
    }
    ~StandInData() { GlobalFree(m_owned); }
    void Add(CLIPFORMAT format, std::string bytes, LONG item = -1, DWORD medium = TYMED_HGLOBAL) {
        m_formats.push_back({format, item, medium, std::move(bytes)});
    }
    std::vector<LONG> itemsAsked;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IDataObject ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (format->lindex >= 0) itemsAsked.push_back(format->lindex);
        for (const Format& f : m_formats) {
            if (f.format != format->cfFormat || f.item != format->lindex || !(format->tymed & f.medium)) continue;
            *medium = STGMEDIUM{f.medium, {}, nullptr};
            medium->hGlobal = GlobalOf(f.bytes.data(), f.bytes.size());
            if (f.medium == TYMED_HGLOBAL) return S_OK;
            CreateStreamOnHGlobal(medium->hGlobal, TRUE, &medium->pstm);
            medium->pstm->Seek(LARGE_INTEGER{}, STREAM_SEEK_END, nullptr);
            return S_OK;
        }
        return DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        for (const Format& f : m_formats)
            if (f.format == format->cfFormat && (format->tymed & f.medium)) return S_OK;
        return DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    struct Format {
        CLIPFORMAT format;
        LONG item;
        DWORD medium;
        std::string bytes;
    };
    std::vector<Format> m_formats;
    HGLOBAL m_owned = nullptr;
};

// Virtual files as Explorer describes them (FileGroupDescriptorW): names, attributes and sizes.
struct VirtualFile {
    std::wstring name;
    std::string bytes;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
};
std::string FileGroup(const std::vector<VirtualFile>& files) {
    std::string bytes(sizeof(FILEGROUPDESCRIPTORW) + files.size() * sizeof(FILEDESCRIPTORW), '\0');
    auto* group = reinterpret_cast<FILEGROUPDESCRIPTORW*>(bytes.data());
    group->cItems = static_cast<UINT>(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        group->fgd[i].dwFlags = FD_ATTRIBUTES | FD_FILESIZE;
        group->fgd[i].dwFileAttributes = files[i].attributes;
        group->fgd[i].nFileSizeLow = static_cast<DWORD>(files[i].bytes.size());
        wcsncpy(group->fgd[i].cFileName, files[i].name.c_str(), MAX_PATH - 1);
    }
    return bytes;
}

constexpr DWORD kEveryEffect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// The effect Drop gives: whether the drop was taken. The source allows `allowed`.
DWORD DragAndDrop(IDropTarget* target, IDataObject* data, DWORD allowed = kEveryEffect) {
    DWORD entered = allowed;
    target->DragEnter(data, MK_LBUTTON, POINTL{10, 10}, &entered);
    DWORD over = allowed;
    target->DragOver(MK_LBUTTON, POINTL{12, 12}, &over);
    EXPECT_EQ(over, entered);
    DWORD dropped = allowed;
    target->Drop(data, MK_LBUTTON, POINTL{12, 12}, &dropped);
    // A shortcut file is read only at the drop, which may then find no web address in it.
    EXPECT_TRUE(dropped == entered || dropped == DROPEFFECT_NONE) << dropped << " after " << entered;
    return dropped;
}

class EverydayUse : public testing::Test {
protected:
    EverydayUse() {
        StopFlag = 0;
        data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=0\r\n");
        data.Write(L"Rule.dat", L"dy.example.com|DianYing|电影天堂\r\n");
        data.Write(L"RunFilter.dat", L"[DianYing]\r\nFilterStr=\r\nEnId=0\r\n");
    }
    ~EverydayUse() override { main.reset(); }

    void Open(bool withWeb) {
        MainWindowOptions options = test::TestOptions(data, "ferrikeveryday");
        options.askListFile = askListFile;
        options.makeWeb = WebWindowFactory([this](HWND, const RECT&, BrowserEvents&) {
            auto fake = std::make_unique<test::FakeBrowser>();
            browser = fake.get();
            return fake;
        });
        main = std::make_unique<MainWindow>(std::move(options));
        ASSERT_TRUE(main->Create());
        main->Show(SW_SHOWNORMAL);
        if (!withWeb) return;
        main->ShowWeb();
        web = dynamic_cast<WebWindow*>(main->Web());
        ASSERT_NE(web, nullptr);
    }

    std::wstring Status() const { return test::TextOf(main->Control(kLblResult)); }

    test::DataDirectory data;
    std::function<std::optional<Text>(HWND, ListFileAction)> askListFile;  // set before Open
    std::unique_ptr<MainWindow> main;
    WebWindow* web = nullptr;
    test::FakeBrowser* browser = nullptr;
};

bool PromptShown() {
    return FindWindowW(L"Form", L"按名称选择") != nullptr;
}

// Starts ferrik.exe with `arguments` in the folder `directory`, waits for its main window, lets
// `look` see it (and the process), closes it and returns the address box's text.
std::wstring StartedAddress(const std::wstring& arguments, const std::wstring& directory,
                            const std::function<void(HWND, HANDLE)>& look = {}) {
    std::wstring command = L"\"" + test::HostPath(FERRIK_EXE_DIR "/ferrik.exe") + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &si, &pi)) {
        ADD_FAILURE() << "cannot start " << command.size() << " " << GetLastError();
        return L"";
    }
    HWND form = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (form = test::VisibleFormOf(pi.dwProcessId)) != nullptr; }, 30000));
    wchar_t address[256] = {};
    if (form) {
        // Asked by message: GetWindowText reads no other process's combo box.
        SendMessageW(GetDlgItem(form, kCombo1), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(address));
        if (look) look(form, pi.hProcess);
        PostMessageW(form, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return address;
}

TEST_F(EverydayUse, StartedWithAnAddressItIsInTheBoxAndNothingRuns) {
    // ferrik.exe as a browser's "open with" starts it: the first argument only, quotes as the
    // shell gives them.
    const std::wstring address =
        StartedAddress(L" \"http://dy.example.com/电影 1.html\"  http://second.example/", data.Path(), [](HWND form, HANDLE process) {
            // The default Rule.dat knows the site: the scheme is chosen and the status line says so.
            EXPECT_EQ(test::TextOf(GetDlgItem(GetDlgItem(form, kPicture1), kLblResult)),
                      L"已经为您准备好相应的方案。您可以进行分析了。");
            // An analysis started from the command line would have begun before the program first
            // waits for input with nothing left to do.
            EXPECT_EQ(WaitForInputIdle(process, 20000), 0u);
            EXPECT_EQ(SendMessageW(GetDlgItem(form, kListView1), LVM_GETITEMCOUNT, 0, 0), 0);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(form, kCombo1)));  // no analysis started
        });
    EXPECT_EQ(address, L"http://dy.example.com/电影 1.html");
}

// A shortcut file dropped on ferrik.exe's icon: the shell starts it with the file's path, and the
// box starts with the address the shortcut holds (in the system's code page), read as a drop reads
// it; a relative path is the working directory's.
TEST_F(EverydayUse, StartedWithAShortcutFileItsAddressIsInTheBox) {
    data.Write(L"film.url", L"[InternetShortcut]\r\nURL=http://dy.example.com/快捷方式.html\r\n");
    data.Write(L"share.url", L"[InternetShortcut]\r\nURL=file://host.example/share/x\r\n");
    struct Case {
        std::wstring arguments;
        const wchar_t* address;
    };
    const Case cases[] = {
        {L"\"" + data.Path() + L"\\film.url\"", L"http://dy.example.com/快捷方式.html"},
        {L"film.url", L"http://dy.example.com/快捷方式.html"},
        {L"\"" + data.Path() + L"\\share.url\"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(StartedAddress(c.arguments, data.Path()), c.address) << c.arguments;
}

TEST_F(EverydayUse, DropsGoIntoTheAddressBoxesOfBothWindows) {
    Open(true);
    // Both windows are OLE's drop targets once the message loop has turned (the property is
    // OLE's mark of a registered window).
    const auto registered = [](HWND hwnd) { return GetPropW(hwnd, L"OleDropTargetInterface") != nullptr; };
    EXPECT_TRUE(test::PumpUntil([&] { return registered(main->Hwnd()); }, 2000));
    EXPECT_TRUE(registered(web->Hwnd()));
    data.Write(L"film.url", L"[InternetShortcut]\r\nURL=http://dy.example.com/shortcut.html\r\n");
    data.Write(L"share.url", L"[InternetShortcut]\r\nURL=file://host.example/share/x\r\n");
    const std::wstring shortcut = data.Path() + L"\\film.url";
    const auto url = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"UniformResourceLocatorW"));
    struct Case {
        const char* what;
        CLIPFORMAT format;
        HGLOBAL memory;
        const char16_t* address;  // null: refused, the box keeps its text
    };
    const Case cases[] = {
        {"a link", url, TextGlobal(L"http://dy.example.com/link.html"), u"http://dy.example.com/link.html"},
        {"text", CF_UNICODETEXT, TextGlobal(L"  \r\n\t http://b.example/text.html \r\nsecond line"),
         u"http://b.example/text.html"},
        {"a shortcut file", CF_HDROP, FilesGlobal({data.Path() + L"\\Setting.ini", shortcut}),
         u"http://dy.example.com/shortcut.html"},
        {"blank text", CF_UNICODETEXT, TextGlobal(L" \r\n "), nullptr},
        {"files without a shortcut", CF_HDROP, FilesGlobal({data.Path() + L"\\Rule.dat"}), nullptr},
        {"a bitmap's format", CF_DIB, TextGlobal(L"http://c.example/"), nullptr},
        // Only web addresses: anything else is ignored, as if nothing had been dropped.
        {"a link to a share", url, TextGlobal(L"file://host.example/share/x"), nullptr},
        {"a UNC path as text", CF_UNICODETEXT, TextGlobal(L"\\\\host.example\\share\\x"), nullptr},
        {"a script link", url, TextGlobal(L"javascript:alert(1)"), nullptr},
        {"a shortcut to a share", CF_HDROP, FilesGlobal({data.Path() + L"\\share.url"}), nullptr},
        {"a shortcut on a share", CF_HDROP, FilesGlobal({L"\\\\127.0.0.1\\share\\film.url"}), nullptr},
    };
    for (const Case& c : cases) {
        main->SetAddress(u"before");
        web->SetAddressText(u"before");
        browser->calls.clear();
        StandInData mainData(c.format, c.memory);
        const DWORD effect = DragAndDrop(main->DropTarget(), &mainData);
        EXPECT_EQ(effect, c.address ? DWORD{DROPEFFECT_COPY} : DWORD{DROPEFFECT_NONE}) << c.what;
        const Text expected = c.address ? c.address : u"before";
        EXPECT_EQ(main->Address(), expected) << c.what;
        if (expected.find(u"dy.example.com") != Text::npos) {
            EXPECT_EQ(Status(), L"已经为您准备好相应的方案。您可以进行分析了。") << c.what;
        }

        StandInData webData(c.format, GlobalOf(GlobalLock(c.memory), GlobalSize(c.memory)));
        GlobalUnlock(c.memory);
        DragAndDrop(web->DropTarget(), &webData);
        EXPECT_EQ(web->AddressText(), expected) << c.what;
        EXPECT_EQ(browser->calls, c.address ? std::vector<Text>{u"Navigate " + expected} : std::vector<Text>{})
            << c.what;
    }

    // Nothing is dropped while the main window is busy, nor while an operation runs on it.
    main->SetAddress(u"before");
    main->LockControls();
    StandInData link(url, TextGlobal(L"http://dy.example.com/busy.html"));
    EXPECT_EQ(DragAndDrop(main->DropTarget(), &link), DWORD{DROPEFFECT_NONE});
    main->UnlockControls();
    test::RunWhen(PromptShown, [&] {
        EXPECT_EQ(DragAndDrop(main->DropTarget(), &link), DWORD{DROPEFFECT_NONE});
        PostMessageW(FindWindowW(L"Form", L"按名称选择"), WM_COMMAND, IDCANCEL, 0);
    });
    main->RunCommand(MenuCommand::ChooseByName);
    EXPECT_EQ(W(main->Address()), L"before");
    EXPECT_EQ(DragAndDrop(main->DropTarget(), &link), DWORD{DROPEFFECT_COPY});
}

// The effect answered is one the source allows: a copy, else a link (a browser's link may offer
// only that); where it allows neither, nothing is taken.
TEST_F(EverydayUse, DropsAnswerAnEffectTheSourceAllows) {
    Open(false);
    const auto url = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"UniformResourceLocatorW"));
    struct Case {
        DWORD allowed;
        DWORD effect;
    };
    const Case cases[] = {
        {kEveryEffect, DROPEFFECT_COPY},    {DROPEFFECT_COPY, DROPEFFECT_COPY},
        {DROPEFFECT_LINK, DROPEFFECT_LINK}, {DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_LINK},
        {DROPEFFECT_MOVE, DROPEFFECT_NONE}, {DROPEFFECT_NONE, DROPEFFECT_NONE},
    };
    for (const Case& c : cases) {
        main->SetAddress(u"before");
        StandInData link(url, TextGlobal(L"http://dy.example.com/link.html"));
        EXPECT_EQ(DragAndDrop(main->DropTarget(), &link, c.allowed), c.effect) << c.allowed;
        EXPECT_EQ(W(main->Address()), c.effect ? L"http://dy.example.com/link.html" : L"before") << c.allowed;
    }
}

// A shortcut offered only as a virtual file (a zip folder's, a mail's) is read at the drop, from an
// HGLOBAL or a stream; while the drag passes, only the files' descriptor is read.
TEST_F(EverydayUse, VirtualShortcutIsReadWhenDropped) {
    Open(false);
    const std::string film = "[InternetShortcut]\r\nURL=http://dy.example.com/zip.html\r\n";
    const std::string toFile = "[InternetShortcut]\r\nURL=file:///C:/x.exe\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : film) utf16 += {c, '\0'};
    const wchar_t* zip = L"http://dy.example.com/zip.html";
    struct Case {
        const char* what;
        std::vector<VirtualFile> files;
        DWORD medium;
        const wchar_t* address;  // null: nothing is taken
        std::vector<LONG> read;  // the items read at the drop; none: the drag is refused as it passes
    };
    const Case cases[] = {
        {"a zip folder's", {{L"说明.txt", "readme"}, {L"电影\\film.url", film}}, TYMED_HGLOBAL, zip, {1}},
        {"a mail's, as a stream", {{L"film.URL", film}}, TYMED_ISTREAM, zip, {0}},
        {"in UTF-16", {{L"film.url", utf16}}, TYMED_ISTREAM, zip, {0}},
        {"to a file", {{L"x.url", toFile}}, TYMED_HGLOBAL, nullptr, {0}},
        {"a folder", {{L"film.url", film, FILE_ATTRIBUTE_DIRECTORY}}, TYMED_HGLOBAL, nullptr, {}},
        {"no shortcut", {{L"film.rmvb", film}}, TYMED_HGLOBAL, nullptr, {}},
    };
    const auto format = [](const wchar_t* name) { return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name)); };
    for (const Case& c : cases) {
        main->SetAddress(u"before");
        StandInData dragged;
        dragged.Add(format(CFSTR_FILEDESCRIPTORW), FileGroup(c.files));
        for (std::size_t i = 0; i < c.files.size(); ++i)
            dragged.Add(format(CFSTR_FILECONTENTS), c.files[i].bytes, static_cast<LONG>(i), c.medium);
        DWORD effect = kEveryEffect;
        main->DropTarget()->DragEnter(&dragged, MK_LBUTTON, POINTL{10, 10}, &effect);
        EXPECT_EQ(effect, c.read.empty() ? DWORD{DROPEFFECT_NONE} : DWORD{DROPEFFECT_COPY}) << c.what;
        EXPECT_EQ(dragged.itemsAsked, std::vector<LONG>{}) << c.what;
        effect = kEveryEffect;
        main->DropTarget()->Drop(&dragged, MK_LBUTTON, POINTL{10, 10}, &effect);
        EXPECT_EQ(effect, c.address ? DWORD{DROPEFFECT_COPY} : DWORD{DROPEFFECT_NONE}) << c.what;
        EXPECT_EQ(W(main->Address()), c.address ? c.address : L"before") << c.what;
        EXPECT_EQ(dragged.itemsAsked, c.read) << c.what;
    }
}

// A shortcut file is read when it is dropped, not while the pointer merely passes over the window:
// this one does not exist yet when the drag enters.
TEST_F(EverydayUse, ShortcutFileIsReadOnlyWhenDropped) {
    Open(false);
    const std::wstring later = data.Path() + L"\\later.url";
    StandInData files(CF_HDROP, FilesGlobal({later}));
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    main->DropTarget()->DragEnter(&files, MK_LBUTTON, POINTL{10, 10}, &effect);
    EXPECT_EQ(effect, DWORD{DROPEFFECT_COPY});
    data.Write(L"later.url", L"[InternetShortcut]\r\nURL=http://dy.example.com/later.html\r\n");
    effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    main->DropTarget()->Drop(&files, MK_LBUTTON, POINTL{10, 10}, &effect);
    EXPECT_EQ(effect, DWORD{DROPEFFECT_COPY});
    EXPECT_EQ(W(main->Address()), L"http://dy.example.com/later.html");
}

TEST_F(EverydayUse, ListMenuChoosesRowsByNameThroughItsPrompt) {
    Open(false);
    TaskList& tasks = main->Tasks();
    for (const char16_t* name : {u"第01集.rmvb", u"第02集.RMVB", u"第03集.mp4", u"花絮.rmvb"})
        tasks.AddTask(name, name, u"SS0", u"", name);
    tasks.SetChecked(2, true);
    test::MessageBoxWatcher boxes;
    std::vector<std::wstring> offered;
    bool ownerDisabled = false;
    bool stayedAfterBadMask = false;
    // Sets the prompt's mask and presses a button of it (IDOK, IDCANCEL).
    const auto answer = [](HWND prompt, const wchar_t* mask, int button) {
        SetDlgItemTextW(prompt, kMaskCombo, mask);
        SendMessageW(prompt, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(prompt, button)));
    };
    test::RunWhen(PromptShown, [&] {
        HWND prompt = FindWindowW(L"Form", L"按名称选择");
        offered.push_back(test::TextOf(GetDlgItem(prompt, kMaskCombo)));
        ownerDisabled = !IsWindowEnabled(main->Hwnd());
        answer(prompt, L"*[9-0]*", IDOK);  // explained in a message box; the prompt stays
        stayedAfterBadMask = IsWindowVisible(prompt) != FALSE;
        answer(prompt, L"*.rmvb", IDOK);
    });
    main->RunCommand(MenuCommand::ChooseByName);
    EXPECT_EQ(offered, std::vector<std::wstring>{L""});
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(stayedAfterBadMask);
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::wstring>{L"名称匹配式有误：方括号没有配对，或者范围写反了（例如 [9-0]）。"});
    EXPECT_EQ(Status(), L"已按名称选中3项。");
    const std::vector<bool> chosen = {true, true, false, true};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(tasks.At(i).checked, chosen[i]) << i;
    EXPECT_TRUE(ListView_GetCheckState(main->Control(kListView1), 1));
    EXPECT_TRUE(IsWindowEnabled(main->Hwnd()));

    // The last mask is offered again; Cancel changes nothing.
    test::RunWhen(PromptShown, [&] {
        HWND prompt = FindWindowW(L"Form", L"按名称选择");
        offered.push_back(test::TextOf(GetDlgItem(prompt, kMaskCombo)));
        answer(prompt, L"*03*", IDCANCEL);
    });
    main->RunCommand(MenuCommand::ChooseByName);
    EXPECT_EQ(offered, (std::vector<std::wstring>{L"", L"*.rmvb"}));
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(tasks.At(i).checked, chosen[i]) << i;

    // Not while busy: no prompt at all.
    main->LockControls();
    bool prompted = false;
    test::RunWhen(PromptShown, [&] {
        prompted = true;
        answer(FindWindowW(L"Form", L"按名称选择"), L"*", IDOK);
    });
    main->RunCommand(MenuCommand::ChooseByName);
    ASSERT_TRUE(test::PumpPosted());
    test::CancelRunWhen();
    EXPECT_FALSE(prompted);
    EXPECT_FALSE(tasks.At(2).checked);
    main->UnlockControls();
}

// ---- the list as a file ----

// The dialogs as the port sets them up, answered in the user's place: the Save dialog suggests the
// name and takes one typed without ".txt" as typed, and each dialog opens where the last file chosen
// is (a cancelled one changes nothing).
TEST(ListFileDialogs, SuggestTheNameKeepWhatIsTypedAndRememberTheFolder) {
    struct Seen {
        ListFileAction action;
        HWND owner;
        std::wstring filter;  // U+0000 shown as '|'
        std::wstring offered;
        std::wstring folder;  // empty: where the system opens it
        bool addsExtension, asksBeforeOverwriting, fileMustExist, keepsCurrentFolder;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    std::wstring answer;  // empty: cancelled
    ListFileDialogs dialogs([&](OPENFILENAMEW& d, ListFileAction action) {
        std::wstring filter;
        for (const wchar_t* f = d.lpstrFilter; *f; f += wcslen(f) + 1) filter += std::wstring(f) + L"|";
        seen.push_back({action, d.hwndOwner, filter, d.lpstrFile, d.lpstrInitialDir ? d.lpstrInitialDir : L"",
                        d.lpstrDefExt != nullptr, (d.Flags & OFN_OVERWRITEPROMPT) != 0,
                        (d.Flags & OFN_FILEMUSTEXIST) != 0, (d.Flags & OFN_NOCHANGEDIR) != 0});
        if (answer.empty() || answer.size() >= d.nMaxFile) return FALSE;
        wcscpy(d.lpstrFile, answer.c_str());
        return TRUE;
    });
    const std::wstring saveFilter = L"文本文件 (*.txt)|*.txt|";
    const std::wstring openFilter = L"文本文件 (*.txt)|*.txt|所有文件 (*.*)|*.*|";
    const auto owner = reinterpret_cast<HWND>(0x1234);
    constexpr auto kExport = ListFileAction::Export;
    constexpr auto kImport = ListFileAction::Import;
    struct Case {
        ListFileAction action;
        std::wstring answer;
        Seen seen;
    };
    const Case cases[] = {
        {kExport, L"D:\\列表\\我的列表", {kExport, owner, saveFilter, L"qvod列表.txt", L"", false, true, false, true}},
        {kImport, L"", {kImport, owner, openFilter, L"", L"D:\\列表", false, false, true, true}},
        {kImport, L"C:\\x.txt", {kImport, owner, openFilter, L"", L"D:\\列表", false, false, true, true}},
        {kExport, L"E:\\a.txt", {kExport, owner, saveFilter, L"qvod列表.txt", L"C:\\", false, true, false, true}},
    };
    for (const Case& c : cases) {
        seen.clear();
        answer = c.answer;
        const std::optional<Text> path = dialogs.Ask(owner, c.action);
        EXPECT_EQ(seen, std::vector<Seen>{c.seen}) << W(Text(c.answer.begin(), c.answer.end()));
        EXPECT_EQ(path, c.answer.empty() ? std::nullopt : std::optional<Text>(Text(c.answer.begin(), c.answer.end())));
    }
}

// The system's own Save dialog (comdlg32, looked up at first use): a name typed without ".txt" comes
// back as typed.
TEST(ListFileDialogs, TheSystemsSaveDialogGivesTheNameAsTyped) {
    test::DataDirectory dir;
    const std::wstring typed = dir.Path() + L"\\我的列表";
    const auto dialogShown = [] {
        HWND dialog = FindWindowW(L"#32770", nullptr);
        return dialog && IsWindowVisible(dialog) && GetDlgItem(dialog, cmb13) != nullptr;
    };
    bool shown = false;
    test::RunWhen(dialogShown, [&] {
        HWND dialog = FindWindowW(L"#32770", nullptr);
        shown = true;
        SetDlgItemTextW(dialog, cmb13, typed.c_str());
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    });
    ListFileDialogs dialogs;
    const std::optional<Text> path = dialogs.Ask(nullptr, ListFileAction::Export);
    test::CancelRunWhen();
    EXPECT_TRUE(shown);
    EXPECT_EQ(path, std::optional<Text>(Text(typed.begin(), typed.end())));
    EXPECT_EQ(dialogs.Folder(), Text(dir.Path().begin(), dir.Path().end()));
}

// A file is written whole or not at all, and no temporary file stays beside it either way.
TEST(ListFileWriting, WholeOrNotAtAll) {
    test::DataDirectory dir;
    dir.WriteBytes(L"old.txt", "old contents");
    const std::wstring folder = dir.Path() + L"\\子目录";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string bytes = "\xEF\xBB\xBFqvod://1|2|3|\r\n";
    struct Write {
        const char* what;
        std::wstring name;
        bool written;
        std::optional<std::string> after;
    };
    const Write writes[] = {
        {"a new file", L"新.txt", true, bytes},
        {"over an old one", L"old.txt", true, bytes},
        {"into a missing folder", L"没有\\x.txt", false, std::nullopt},
        {"over a folder", L"子目录", false, std::nullopt},
    };
    for (const Write& c : writes) {
        const std::wstring path = dir.Made(c.name);
        const Text problem = WriteFileWhole(Text(path.begin(), path.end()), bytes);
        EXPECT_EQ(problem.empty(), c.written) << c.what << ": " << ToUtf8(problem);
        EXPECT_EQ(dir.Read(c.name), c.after) << c.what;
    }
    WIN32_FIND_DATAW found{};
    HANDLE left = FindFirstFileW((dir.Path() + L"\\frk*").c_str(), &found);
    EXPECT_EQ(left, INVALID_HANDLE_VALUE) << W(Text(found.cFileName, found.cFileName + wcslen(found.cFileName)));
    if (left != INVALID_HANDLE_VALUE) FindClose(left);
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
}

TEST_F(EverydayUse, ListMenuExportsAndImportsTheListThroughItsPort) {
    std::vector<ListFileAction> asked;
    std::wstring answer;
    askListFile = [&](HWND owner, ListFileAction action) -> std::optional<Text> {
        EXPECT_EQ(owner, main->Hwnd());
        asked.push_back(action);
        return Text(answer.begin(), answer.end());
    };
    Open(false);
    TaskList& tasks = main->Tasks();
    tasks.AddTask(u"第1集", u"qvod://1|A|第1集|", u"SS0", u"", u"qvod://1|A|第1集|");
    tasks.AddTask(u"2.html", u"http://dy.example.com/2.html", u"SS1", u"", u"http://dy.example.com/2.html");
    test::MessageBoxWatcher boxes;

    answer = data.Made(L"导出.txt");
    main->RunCommand(MenuCommand::ExportList);
    EXPECT_EQ(data.Read(L"导出.txt"),
              "\xEF\xBB\xBFqvod://1|A|\xE7\xAC\xAC"
              "1\xE9\x9B\x86|\r\nhttp://dy.example.com/2.html\r\n");
    EXPECT_EQ(Status(), L"已导出2项。");

    data.Write(L"导入.txt",
               L"qvod://1|A|第1集|\r\n  qvod://3|C|第3集.rmvb|\r\nhttps://dy.example.com/list/4.html\r\n说明\r\n");
    answer = data.Path() + L"\\导入.txt";
    main->RunCommand(MenuCommand::ImportList);
    EXPECT_EQ(Status(), L"已导入2项。");
    ASSERT_EQ(tasks.Count(), 4u);
    EXPECT_EQ(tasks.At(2).name, u"第3集.rmvb");
    EXPECT_EQ(tasks.At(3).engine, u"SS1");
    EXPECT_EQ(ListView_GetItemCount(main->Control(kListView1)), 4);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{});
    EXPECT_EQ(asked, (std::vector<ListFileAction>{ListFileAction::Export, ListFileAction::Import}));

    // Refused: explained in a message box, the list and the status line as they were.
    data.WriteBytes(L"zero.txt", std::string("qvod://5|E|5|\r\n\0", 16));
    data.WriteBytes(L"big.txt", std::string(16 * 1024 * 1024 + 1, 'a'));
    struct Case {
        MenuCommand command;
        std::wstring answer;
        std::wstring message;
        bool withReason;  // the message is followed by the system's reason
    };
    const Case cases[] = {
        {MenuCommand::ImportList, data.Path() + L"\\zero.txt", L"这个文件不是文本文件，没有导入。", false},
        {MenuCommand::ImportList, data.Path() + L"\\big.txt", L"文件超过16 MB，不像是任务列表，没有导入。", false},
        {MenuCommand::ImportList, data.Path() + L"\\没有.txt", L"无法读取文件：", true},
        {MenuCommand::ExportList, data.Path() + L"\\没有\\x.txt", L"无法导出列表：", true},
    };
    for (const Case& c : cases) {
        answer = c.answer;
        const std::size_t seen = boxes.Seen().size();
        main->RunCommand(c.command);
        ASSERT_EQ(boxes.Seen().size(), seen + 1) << c.answer;
        const test::SeenMessageBox box = boxes.Seen().back();
        EXPECT_EQ(box.title, L"提示");
        if (c.withReason) {
            EXPECT_EQ(box.text.substr(0, c.message.size()), c.message) << box.text;
            EXPECT_GT(box.text.size(), c.message.size()) << box.text;
        } else {
            EXPECT_EQ(box.text, c.message);
        }
        EXPECT_EQ(tasks.Count(), 4u) << c.answer;
        EXPECT_EQ(Status(), L"已导入2项。") << c.answer;
    }

    // Not while busy: nothing is asked.
    asked.clear();
    main->LockControls();
    main->RunCommand(MenuCommand::ImportList);
    main->RunCommand(MenuCommand::ExportList);
    main->UnlockControls();
    EXPECT_EQ(asked, std::vector<ListFileAction>{});
}

// A text file or text holding qvod:// links dropped on the main window is imported; an address
// still goes into the address box; nothing while busy.
TEST_F(EverydayUse, ListsDroppedOnTheMainWindowAreImported) {
    Open(false);
    test::PumpPosted();
    data.Write(L"掉落.txt", L"qvod://1|A|第1集|\r\nhttp://dy.example.com/play/2.html\r\n");
    const auto url = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"UniformResourceLocatorW"));
    struct Case {
        const char* what;
        CLIPFORMAT format;
        HGLOBAL memory;
        DWORD effect;
        std::vector<Text> added;  // the names of the rows added
        const wchar_t* address;   // in the box after the drop
    };
    const Case cases[] = {
        {"a text file",
         CF_HDROP,
         FilesGlobal({data.Path() + L"\\Rule.dat", data.Path() + L"\\掉落.txt"}),
         DROPEFFECT_COPY,
         {u"第1集", u"2.html"},
         L"before"},
        {"text with links",
         CF_UNICODETEXT,
         TextGlobal(L"http://dy.example.com/\r\n看 qvod://3|C|第3集| qvod://1|A|第1集|"),
         DROPEFFECT_COPY,
         {u"dy.example.com", u"第3集"},
         L"before"},
        {"a link from a page", url, TextGlobal(L"qvod://4|D|第4集|"), DROPEFFECT_COPY, {u"第4集"}, L"before"},
        {"a text file on a share",
         CF_HDROP,
         FilesGlobal({L"\\\\127.0.0.1\\share\\x.txt"}),
         DROPEFFECT_NONE,
         {},
         L"before"},
        {"an address",
         CF_UNICODETEXT,
         TextGlobal(L"http://dy.example.com/5.html"),
         DROPEFFECT_COPY,
         {},
         L"http://dy.example.com/5.html"},
    };
    TaskList& tasks = main->Tasks();
    for (const Case& c : cases) {
        main->SetAddress(u"before");
        const std::size_t before = tasks.Count();
        StandInData dropped(c.format, c.memory);
        EXPECT_EQ(DragAndDrop(main->DropTarget(), &dropped), c.effect) << c.what;
        ASSERT_TRUE(test::PumpPosted());
        std::vector<Text> added;
        for (std::size_t i = before; i < tasks.Count(); ++i) added.push_back(tasks.At(i).name);
        EXPECT_EQ(added, c.added) << c.what;
        EXPECT_EQ(W(main->Address()), c.address) << c.what;
        if (!c.added.empty()) {
            EXPECT_EQ(Status(), L"已导入" + std::to_wstring(c.added.size()) + L"项。") << c.what;
        }
    }

    main->LockControls();
    StandInData links(CF_UNICODETEXT, TextGlobal(L"qvod://6|F|第6集|"));
    EXPECT_EQ(DragAndDrop(main->DropTarget(), &links), DWORD{DROPEFFECT_NONE});
    ASSERT_TRUE(test::PumpPosted());
    main->UnlockControls();
    EXPECT_EQ(tasks.Count(), 5u);
}

// As a screen reader reads them: role, name, state before and after disabling, the default action.
TEST_F(EverydayUse, WebWindowButtonsReadAsAScreenReaderDoes) {
    Open(true);
    browser->location = u"http://dy.example.com/added.html";
    struct Case {
        int id;
        const wchar_t* name;
        const char16_t* call;  // what the click asks of the browser; null: 添加当前页's hand-over
    };
    const Case cases[] = {
        {kWebCommand5, L"后退", u"GoBack"}, {kWebCommand6, L"前进", u"GoForward"},
        {kWebCommand2, L"主页", u"GoHome"}, {kWebCommand3, L"刷新", u"Refresh"},
        {kWebCommand4, L"停止", u"Stop"},   {kWebCommand7, L"添加当前页", nullptr},
    };
    constexpr long kPushButton = 0x2B;
    constexpr long kUnavailable = 0x1;
    constexpr long kFocusable = 0x100000;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    for (const Case& c : cases) {
        HWND hwnd = web->Control(c.id);
        IAccessible* object = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object)),
                  S_OK);
        VARIANT role{}, state{};
        BSTR name = nullptr, action = nullptr;
        EXPECT_EQ(object->get_accRole(self, &role), S_OK);
        EXPECT_EQ(role.vt == VT_I4 ? role.lVal : -1, kPushButton) << c.name;
        ASSERT_EQ(object->get_accName(self, &name), S_OK) << c.name;
        EXPECT_STREQ(name, c.name);
        EXPECT_EQ(object->get_accDefaultAction(self, &action), S_OK);
        EXPECT_STREQ(action, L"按下");
        EXPECT_EQ(object->get_accState(self, &state), S_OK);
        EXPECT_EQ(state.lVal & (kUnavailable | kFocusable), kFocusable) << c.name;
        long left = 0, top = 0, width = 0, height = 0;
        RECT rc{};
        GetWindowRect(hwnd, &rc);
        EXPECT_EQ(object->accLocation(&left, &top, &width, &height, self), S_OK);
        EXPECT_EQ((std::vector<long>{left, top, width, height}),
                  (std::vector<long>{rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top}));

        // Disabled: unavailable, and the default action clicks nothing.
        web->Button(c.id)->Button().SetEnabled(false);
        EXPECT_EQ(object->get_accState(self, &state), S_OK);
        EXPECT_EQ(state.lVal & (kUnavailable | kFocusable), kUnavailable) << c.name;
        browser->calls.clear();
        main->SetAddress(u"");
        EXPECT_NE(object->accDoDefaultAction(self), S_OK);
        ASSERT_TRUE(test::PumpPosted());
        EXPECT_TRUE(browser->calls.empty()) << c.name;

        web->Button(c.id)->Button().SetEnabled(true);
        EXPECT_EQ(object->accDoDefaultAction(self), S_OK);
        if (c.call) {
            EXPECT_TRUE(PumpUntil([&] { return !browser->calls.empty(); }, 2000));
            EXPECT_EQ(browser->calls, std::vector<Text>{c.call}) << c.name;
        } else {
            EXPECT_TRUE(PumpUntil([&] { return !main->Address().empty(); }, 2000));
            EXPECT_EQ(W(main->Address()), L"http://dy.example.com/added.html");
        }
        SysFreeString(name);
        SysFreeString(action);
        object->Release();
    }
}

// Name and state changes are announced to whoever listens (a screen reader's event hook).
TEST_F(EverydayUse, ButtonsAnnounceNameAndStateChanges) {
    Open(true);
    static std::vector<std::pair<DWORD, HWND>> heard;
    heard.clear();
    const HWINEVENTHOOK hook = SetWinEventHook(
        EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
        [](HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) CALLBACK {
            if (object == OBJID_CLIENT && child == CHILDID_SELF && TesselButtonWindow::FromHandle(hwnd))
                heard.emplace_back(event, hwnd);
        },
        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    TesselButtonWindow* back = web->Button(kWebCommand5);
    back->Button().SetEnabled(false);
    back->Button().SetToolTip(u"返回上一页");
    back->Button().SetToolTip(u"返回上一页");  // unchanged: nothing more to tell
    PumpUntil([&] { return heard.size() >= 2; }, 2000);
    ASSERT_TRUE(test::PumpPosted());  // and nothing more behind them
    UnhookWinEvent(hook);
    const std::vector<std::pair<DWORD, HWND>> expected = {{EVENT_OBJECT_STATECHANGE, back->Hwnd()},
                                                          {EVENT_OBJECT_NAMECHANGE, back->Hwnd()}};
    EXPECT_EQ(heard, expected);
}

}  // namespace
}  // namespace ferrik
