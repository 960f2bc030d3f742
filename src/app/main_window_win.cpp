#include "app/main_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "../../res/resource.h"
#include "app/about_window_win.h"
#include "app/list_file.h"
#include "app/main_menus_win.h"
#include "common/stop_flag.h"
#include "forms/form_controls_win.h"
#include "rules/ini_file.h"
#include "skin/skin_switch.h"
#include "version.h"

namespace ferrik {

namespace {

constexpr FormShape kMainShape{kMainClientWidth, kMainClientHeight, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                               kMainControls};
// Posted when the last operation on the window's stack has unwound after a close.
constexpr UINT kFinishCloseMessage = WM_APP + 1;
constexpr UINT kAttachDropMessage = WM_APP + 2;  // posted by Show
// Posted when a web window was replaced: the old object goes once none of its handlers is on the
// stack, tried again at every tick of kRetiredTimer while one is.
constexpr UINT kReleaseRetiredMessage = WM_APP + 3;
constexpr UINT_PTR kRetiredTimer = 2;
// Posted by a drop of a list: the import (and its message boxes) comes after the drop has returned
// to the source, which waits for it.
constexpr UINT kImportDroppedMessage = WM_APP + 4;
constexpr UINT kRetiredRetryMs = 100;
constexpr UINT_PTR kComboSubclass = 1;

Text ExecutableDirectory() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    Text text(reinterpret_cast<const char16_t*>(path), length);
    const std::size_t slash = text.find_last_of(u"\\/");
    return slash == Text::npos ? Text() : text.substr(0, slash);
}

// Moves and sizes a control to `target` (its parent's client coordinates) unless it is there
// already: the WM_SIZE of the first showing finds every control in place, and a move of a shown
// control repaints it and what it covered.
void PlaceIfMoved(HWND control, const RECT& target) {
    const RECT now = RectInParent(control);
    if (EqualRect(&now, &target)) return;
    MoveWindow(control, target.left, target.top, target.right - target.left, target.bottom - target.top, TRUE);
}

HICON ProgramIcon(int size) {
    HANDLE icon =
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_FERRIK), IMAGE_ICON, size, size, LR_SHARED);
    return icon ? static_cast<HICON>(icon) : LoadIconW(nullptr, IDI_APPLICATION);
}

}  // namespace

MainWindow::OperationScope::~OperationScope() {
    if (--m_window.m_operations == 0 && m_window.m_closing && m_window.Hwnd())
        PostMessageW(m_window.Hwnd(), kFinishCloseMessage, 0, 0);
}

MainWindow::MainWindow(MainWindowOptions options)
    : FormWindow(kMainShape),
      m_options(std::move(options)),
      m_fetcher(m_options.fetcher ? *m_options.fetcher : m_ownFetcher),
      m_documents(m_options.documents ? *m_options.documents : m_ownDocuments),
      m_engine(PageAnalysisPorts{m_fetcher, m_decoder, m_documents, m_pump, *this, *this, m_tasks}),
      m_wait(m_options.waitTimerName.empty() ? clsWaitableTimer() : clsWaitableTimer(m_options.waitTimerName)),
      m_pageLinks(m_fetcher, m_decoder),
      m_list(m_tasks, [this](POINT screenPoint) { ShowListMenu(screenPoint); }) {
    if (m_options.dataDirectory.empty()) m_options.dataDirectory = ExecutableDirectory();
}

MainWindow::~MainWindow() {
    m_tasks.SetObserver(nullptr);
    // Destroyed here, while the members its handlers use are still alive.
    if (Hwnd()) DestroyWindow(Hwnd());
}

bool MainWindow::Create() {
    // Built for the sign-in DPI and centred on the work area (the monitor it then stands on may
    // have another scale).
    if (!CreateForm(nullptr, Text(), true)) return false;
    return Load();
}

bool MainWindow::Load() {
    SetIcons();
    UnSkin = ReadIniValue(u"Setting", u"UnSkin", DataFile(u"Setting.ini"), m_decoder);
    m_skinner.AttachSkin(Hwnd());
    const Text caption = MainCaption(FERRIK_VERSION_MAJOR, FERRIK_VERSION_MINOR, FERRIK_VERSION_PATCH);
    SetWindowTextW(Hwnd(), Wide(caption));
    // A start address goes in as if typed, which runs SelectScheme; otherwise it runs once as is.
    if (m_options.startAddress.empty()) {
        OnAddressChanged();
    } else {
        SetAddress(m_options.startAddress);
    }
    m_drop.Prepare([this] { return TakesDrops(); }, [this](TextView address) { SetAddress(address); },
                   ListDrops{HoldsQvodLink, [this](const DroppedList& list) {
                                 m_droppedList = list;
                                 PostMessageW(Hwnd(), kImportDroppedMessage, 0, 0);
                             }});
    if (!CreatePlayer(m_player, *this, Hwnd(), m_options.playerProgId)) {
        SendMessageW(Hwnd(), WM_CLOSE, 0, 0);
        return false;
    }
    return true;
}

// The icons in the sizes of the window's DPI.
void MainWindow::SetIcons() {
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(ProgramIcon(SystemMetricForDpi(SM_CXICON, m_dpi))));
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(ProgramIcon(SystemMetricForDpi(SM_CXSMICON, m_dpi))));
}

void MainWindow::Show(int showCommand) {
    if (!Hwnd()) return;
    ShowWindow(Hwnd(), showCommand);
    UpdateWindow(Hwnd());
    // Drops are taken from the first turn of the message loop on.
    PostMessageW(Hwnd(), kAttachDropMessage, 0, 0);
}

HWND MainWindow::Control(int id) const {
    if (id < kLabel1 || id > kListView1) return nullptr;
    return m_controls[id - kLabel1];
}

Text MainWindow::Address() const {
    return WindowText(Control(kCombo1));
}

void MainWindow::SetAddress(TextView address) {
    const Text text(address);
    SetWindowTextW(Control(kCombo1), Wide(text));
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (const auto handled = FormMessage(msg, wParam, lParam)) return *handled;
    switch (msg) {
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) OnSize();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_TIMER:
            m_list.OnTimer(wParam);
            if (wParam == kRetiredTimer) ReleaseRetired();
            return 0;
        case kReleaseRetiredMessage:
            ReleaseRetired();
            return 0;
        case kAttachDropMessage:
            m_drop.Attach(Hwnd());
            return 0;
        case kImportDroppedMessage:
            OnListDropped(std::exchange(m_droppedList, DroppedList{}));
            return 0;
        case kFinishCloseMessage:
            if (m_closing && m_operations == 0) DestroyWindow(Hwnd());
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        default:
            return DefaultProc(msg, wParam, lParam);
    }
}

void MainWindow::ControlMade(const ControlLayout& layout, HWND hwnd) {
    m_controls[layout.id - kLabel1] = hwnd;
}

bool MainWindow::OnCreate() {
    if (!BuildControls()) return false;
    FitLabelToText(Control(kLabel1), MainControl(kLabel1), m_dpi);
    FitLabelToText(Control(kLblResult), MainControl(kLblResult), m_dpi);
    SetWindowSubclass(Control(kCombo1), ControlProc, kComboSubclass, reinterpret_cast<DWORD_PTR>(this));
    m_list.Attach(Hwnd(), Control(kListView1), m_dpi);
    // The resize rules once now, while nothing is on the screen: the WM_SIZE of the creation came
    // before the controls, and the one of the first showing then finds them in place.
    OnSize();
    m_fileMenu = BuildMenu(kFileMenu);
    m_analyseMenu = BuildMenu(kAnalyseMenu);
    m_listMenu = BuildMenu(kListMenu);
    return m_fileMenu && m_analyseMenu && m_listMenu;
}

void MainWindow::OnSize() {
    HWND list = Control(kListView1);
    HWND picture = Control(kPicture1);
    if (!list || !picture) return;  // WM_SIZE of the creation, before the controls exist
    RECT window{};
    GetWindowRect(Hwnd(), &window);
    const TwipsRect pictureTwips = ControlTwips(picture);
    const MainResizeResult layout = ResizeMainForm(Twips(window.right - window.left), Twips(window.bottom - window.top),
                                                   ControlTwips(list), pictureTwips);
    if (layout.listView1) {
        const TwipsRect& r = *layout.listView1;
        PlaceIfMoved(list, RECT{Px(r.left), Px(r.top), Px(r.left) + Px(r.width), Px(r.top) + Px(r.height)});
    }
    const RECT pictureRect = RectInParent(picture);
    if (layout.picture1Width)
        PlaceIfMoved(picture, RECT{pictureRect.left, pictureRect.top, pictureRect.left + Px(*layout.picture1Width),
                                   pictureRect.bottom});
    const RECT command3 = RectInParent(Control(kCommand3));
    PlaceIfMoved(Control(kCommand3), RECT{command3.left, Px(layout.command3Top), command3.right,
                                          Px(layout.command3Top) + command3.bottom - command3.top});
}

// After the font and the controls: the list's columns and check boxes, the icons, then the resize
// rules for the suggested rectangle.
void MainWindow::RelayoutForDpi(int old, const RECT& suggested) {
    const int dpi = m_dpi;
    FitLabelToText(Control(kLabel1), MainControl(kLabel1), m_dpi);
    FitLabelToText(Control(kLblResult), MainControl(kLblResult), m_dpi);
    m_list.OnDpiChanged(old, dpi);
    SetIcons();
    PlaceWindow(Hwnd(), suggested);
    OnSize();
    RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void MainWindow::OnCommand(int id, int code, HWND control) {
    if (!control) {
        if (code == 0 && IsMenuCommand(static_cast<WORD>(id))) RunCommand(MenuCommand(id));
        return;
    }
    switch (id) {
        case kCommand1:
            if (code == BN_CLICKED) ShowAnalyseMenu();
            break;
        case kCommand2:
            if (code == BN_CLICKED) SubmitTasks();
            break;
        case kCombo1:
            // Typing and pasting come as CBN_EDITCHANGE; WM_SETTEXT is caught by ControlProc.
            if (code == CBN_EDITCHANGE && !m_settingAddress) OnAddressChanged();
            break;
        case kCommand3:
            if (code == BN_CLICKED) ShowWeb();
            break;
        default:
            break;
    }
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
    return header.idFrom == kListView1 ? m_list.OnNotify(header) : 0;
}

void MainWindow::OnClose() {
    StopFlag = 1;
    if (m_operations > 0) {
        // The operation on our stack still uses this window: it ends at its next stop test, and
        // the quit request cuts short the waits of a fetch or of the player meanwhile.
        m_closing = true;
        ShowWindow(Hwnd(), SW_HIDE);
        if (m_about && m_about->Hwnd()) ShowWindow(m_about->Hwnd(), SW_HIDE);
        if (m_web && m_web->Hwnd()) ShowWindow(m_web->Hwnd(), SW_HIDE);
        if (m_options.endsProgram) PostQuitMessage(0);
        return;
    }
    DestroyWindow(Hwnd());
}

void MainWindow::OnDestroy() {
    m_drop.Revoke();
    // The control goes (deactivated, unsited, closed, released) while its container still stands.
    m_player.reset();
    m_skinner.DetachSkin(Hwnd());
    if (m_options.endsProgram) PostQuitMessage(0);
}

void MainWindow::OnFinalDestroy() {
    for (HWND& control : m_controls) control = nullptr;
}

Text MainWindow::DataFile(TextView name) const {
    return m_options.dataDirectory + u"\\" + Text(name);
}

void MainWindow::OnAddressChanged() {
    SelectScheme(Address(), SiteFiles{DataFile(u"Rule.dat"), DataFile(u"RunFilter.dat"), m_decoder}, m_scheme, *this);
}

LRESULT CALLBACK MainWindow::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data) noexcept {
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, ControlProc, id);
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    auto* self = reinterpret_cast<MainWindow*>(data);
    if (id == kComboSubclass && msg == WM_SETTEXT) return self->OnComboSetText(hwnd, wParam, lParam);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT MainWindow::OnComboSetText(HWND combo, WPARAM wParam, LPARAM lParam) noexcept {
    // A text set by code sends no CBN_EDITCHANGE (and any the edit sends is not a second change).
    m_settingAddress = true;
    const LRESULT result = DefSubclassProc(combo, WM_SETTEXT, wParam, lParam);
    m_settingAddress = false;
    try {
        OnAddressChanged();
    } catch (...) {
    }
    return result;
}

bool MainWindow::TakesDrops() const {
    return Hwnd() && !m_closing && m_operations == 0 && IsWindowEnabled(Hwnd()) && IsWindowEnabled(Control(kCombo1));
}

void MainWindow::ShowWeb() {
    if (!Hwnd() || m_closing) return;
    if (m_makingWeb || !m_options.makeWeb) return;
    if (!m_web || !m_web->Hwnd()) {
        // Choosing the browser may pump messages (the system's control is tried on first use):
        // a click meanwhile must not make a second window.
        OperationScope operation(*this);
        m_makingWeb = true;
        // The old window's object may still be on the stack (添加当前页 hands over, and the status
        // line pumps while the window is closed and Web pressed): it goes later, never here.
        if (m_web) {
            m_retired.push_back(std::move(m_web));
            PostMessageW(Hwnd(), kReleaseRetiredMessage, 0, 0);
        }
        WebWindowPorts ports;
        ports.dataDirectory = m_options.dataDirectory;
        ports.decoder = &m_decoder;
        ports.handOver = [this](TextView address) {
            if (Hwnd()) SetAddress(address);
        };
        ports.ownerClosing = [this] { return m_closing || !Hwnd(); };
        std::unique_ptr<OwnedWindow> web = m_options.makeWeb(Hwnd(), std::move(ports));
        m_makingWeb = false;
        m_web = std::move(web);
        // Closed meanwhile: the window goes with the main window, unseen.
        if (!m_web || m_closing) return;
    }
    m_web->Show();
}

void MainWindow::ReleaseRetired() {
    std::erase_if(m_retired, [](const std::unique_ptr<OwnedWindow>& w) { return !w->HandlerRunning(); });
    if (m_retired.empty()) {
        KillTimer(Hwnd(), kRetiredTimer);
    } else {
        SetTimer(Hwnd(), kRetiredTimer, kRetiredRetryMs, nullptr);
    }
}

}  // namespace ferrik
