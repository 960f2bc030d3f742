#include "app/main_window_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "../../res/resource.h"
#include "app/about_window_win.h"
#include "app/choose_by_name.h"
#include "app/mask_prompt_win.h"
#include "app/prompts_win.h"
#include "app/shell_open_win.h"
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
constexpr UINT kRetiredRetryMs = 100;
constexpr UINT_PTR kComboSubclass = 1;
constexpr UINT_PTR kListSubclass = 2;
constexpr UINT_PTR kListSyncTimer = 1;
// While rows arrive the list view gets the new count at least this often.
constexpr ULONGLONG kListSyncMs = 100;

UniqueMenu BuildMenu(std::span<const MenuEntry> entries) {
    UniqueMenu menu(CreatePopupMenu());
    for (const MenuEntry& e : entries) {
        if (e.command == MenuCommand::Separator) {
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            const Text caption(e.caption);
            AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(e.command), Wide(caption));
        }
    }
    return menu;
}

bool Contains(std::span<const MenuEntry> entries, MenuCommand command) {
    for (const MenuEntry& e : entries)
        if (e.command == command) return true;
    return false;
}

bool IsMenuCommand(WORD id) {
    return Contains(kFileMenu, MenuCommand(id)) || Contains(kAnalyseMenu, MenuCommand(id)) ||
           Contains(kListMenu, MenuCommand(id));
}

// Whether `name` starts with `prefix`, ignoring case as the list view's type-ahead does.
bool StartsWithNoCase(const Text& name, const wchar_t* prefix) {
    const int length = lstrlenW(prefix);
    if (length == 0 || name.size() < static_cast<std::size_t>(length)) return false;
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Wide(name), length, prefix, length) == CSTR_EQUAL;
}

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
      m_pageLinks(m_fetcher, m_decoder) {
    if (m_options.dataDirectory.empty()) m_options.dataDirectory = ExecutableDirectory();
    m_tasks.SetObserver(this);
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
    m_drop.Prepare([this] { return TakesDrops(); }, [this](TextView address) { SetAddress(address); });
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
            if (wParam == kListSyncTimer) SyncList();
            if (wParam == kRetiredTimer) ReleaseRetired();
            return 0;
        case kReleaseRetiredMessage:
            ReleaseRetired();
            return 0;
        case kAttachDropMessage:
            m_drop.Attach(Hwnd());
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
    SetWindowSubclass(Control(kListView1), ControlProc, kListSubclass, reinterpret_cast<DWORD_PTR>(this));
    SetupListView();
    // The resize rules once now, while nothing is on the screen: the WM_SIZE of the creation came
    // before the controls, and the one of the first showing then finds them in place.
    OnSize();
    m_fileMenu = BuildMenu(kFileMenu);
    m_analyseMenu = BuildMenu(kAnalyseMenu);
    m_listMenu = BuildMenu(kListMenu);
    return m_fileMenu && m_analyseMenu && m_listMenu;
}

void MainWindow::SetupListView() {
    HWND list = Control(kListView1);
    const DWORD ex = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    // Several rows can be selected (Ctrl+A, Shift and Ctrl clicks) for Ctrl+C and the space bar.
    SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) & ~LONG_PTR{LVS_SINGLESEL});
    // The check boxes are state images that the list asks for (LVN_GETDISPINFO), as its texts.
    SendMessageW(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    m_listHeader = m_tasks.Header();
    int index = 0;
    for (const ListColumn& column : kTaskColumns) {
        const Text header = index == 0 ? m_listHeader : Text(column.header);
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        lvc.pszText = const_cast<wchar_t*>(Wide(header));
        lvc.cx = Px(column.widthTwips);
        lvc.iSubItem = index;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&lvc));
        ++index;
    }
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
    HWND list = Control(kListView1);
    for (int column = 0; column < static_cast<int>(std::size(kTaskColumns)); ++column) {
        const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column, MulDiv(width, dpi, old));
    }
    // The list makes its check boxes when the style is set and it has no state images: without the
    // old ones and set again, they are made for the new DPI.
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, 0);
    if (const auto boxes = reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_SETIMAGELIST, LVSIL_STATE, 0)))
        ImageList_Destroy(boxes);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    SendMessageW(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
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
    if (header.idFrom != kListView1) return 0;
    switch (header.code) {
        case LVN_GETDISPINFOW:
            OnListDisplayInfo(const_cast<NMHDR&>(header));
            return 0;
        case LVN_ODFINDITEMW:
            return OnListFindItem(header);
        default:
            return 0;
    }
}

void MainWindow::OnListDisplayInfo(NMHDR& header) const {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= m_tasks.Count()) return;
    const TaskRow& row = m_tasks.At(static_cast<std::size_t>(item.iItem));
    if (item.mask & LVIF_TEXT) {
        static constexpr Text TaskRow::*kColumns[] = {&TaskRow::name, &TaskRow::address, &TaskRow::engine,
                                                      &TaskRow::status};
        const bool known = item.iSubItem >= 0 && item.iSubItem < static_cast<int>(std::size(kColumns));
        CopyText(known ? row.*kColumns[item.iSubItem] : Text(), item.pszText, item.cchTextMax);
    }
    if ((item.mask & LVIF_STATE) && item.iSubItem == 0) {
        // State image 1 is the empty box, 2 the ticked one.
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(row.checked ? 2 : 1);
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
}

// Type-ahead: the next row from iStart whose name starts with the typed text, wrapping if asked.
int MainWindow::OnListFindItem(const NMHDR& header) const {
    const auto& find = reinterpret_cast<const NMLVFINDITEMW&>(header);
    const LVFINDINFOW& what = find.lvfi;
    if (!(what.flags & (LVFI_STRING | LVFI_PARTIAL)) || !what.psz) return -1;
    const std::size_t count = std::min<std::size_t>(m_tasks.Count(), m_listShown);
    if (count == 0) return -1;
    const std::size_t start = find.iStart >= 0 && static_cast<std::size_t>(find.iStart) < count ? find.iStart : 0;
    const std::size_t steps = (what.flags & LVFI_WRAP) ? count : count - start;
    for (std::size_t i = 0; i < steps; ++i) {
        const std::size_t row = (start + i) % count;
        if (StartsWithNoCase(m_tasks.At(row).name, what.psz)) return static_cast<int>(row);
    }
    return -1;
}

void MainWindow::ToggleRow(int item) {
    if (item < 0 || static_cast<std::size_t>(item) >= std::min(m_tasks.Count(), m_listShown)) return;
    const auto row = static_cast<std::size_t>(item);
    m_tasks.SetChecked(row, !m_tasks.At(row).checked);
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
    if (id == kListSubclass) {
        if (msg == WM_RBUTTONDOWN) {
            self->OnListRightButton(hwnd, lParam);
            return 0;
        }
        if (self->OnListCheckInput(hwnd, msg, wParam, lParam)) return 0;
        // Whoever reads the list (a test, an accessibility tool) sees every row added so far.
        if (msg >= LVM_FIRST && msg < LVM_FIRST + 0x100 && msg != LVM_SETITEMCOUNT && self->m_listPending) {
            try {
                self->SyncList();
            } catch (...) {
            }
        }
    }
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

// An owner-data list view keeps no check state: a click on a row's box toggles the row in the
// model, which redraws it. Keys: the space bar toggles the boxes of the selected rows (the focused
// row when none is selected), Ctrl+A selects every row, Ctrl+C copies the selected rows'
// addresses, Delete does nothing (rows come only from analysis). A busy list takes none of them.
bool MainWindow::OnListCheckInput(HWND list, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    try {
        if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
            LVHITTESTINFO hit{};
            hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const int item = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            if (item < 0 || !(hit.flags & LVHT_ONITEMSTATEICON)) return false;
            SetFocus(list);
            ToggleRow(item);
            return true;
        }
        if (msg == WM_CHAR) {
            // No type-ahead text and no beep for the keys handled at WM_KEYDOWN (Ctrl+A is 1, Ctrl+C 3).
            return wParam == L' ' || wParam == 1 || wParam == 3;
        }
        if (msg != WM_KEYDOWN) return false;
        const bool control = GetKeyState(VK_CONTROL) < 0;
        const bool ours = wParam == VK_SPACE || wParam == VK_DELETE || (control && (wParam == 'A' || wParam == 'C'));
        if (!ours) return false;
        if (!IsWindowEnabled(list)) return true;
        if (wParam == VK_SPACE) {
            std::vector<int> rows = SelectedRows(list);
            if (rows.empty())
                rows.push_back(
                    static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
            for (int row : rows) ToggleRow(row);
        } else if (wParam == 'A') {
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED;
            state.state = LVIS_SELECTED;
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        } else if (wParam == 'C') {
            CopySelectedAddresses(list);
        }
        return true;
    } catch (...) {
    }
    return false;
}

std::vector<int> MainWindow::SelectedRows(HWND list) const {
    std::vector<int> rows;
    int row = -1;
    while ((row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0)
        rows.push_back(row);
    return rows;
}

// The addresses of the selected rows, one per line, as Unicode text on the clipboard; nothing
// selected leaves the clipboard as it was.
void MainWindow::CopySelectedAddresses(HWND list) {
    std::vector<std::size_t> rows;
    for (int row : SelectedRows(list))
        if (static_cast<std::size_t>(row) < std::min(m_tasks.Count(), m_listShown)) rows.push_back(row);
    if (rows.empty()) return;
    const Text text = JoinAddresses(m_tasks, rows);
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return;
    if (void* target = GlobalLock(memory)) {
        std::copy_n(Wide(text), text.size() + 1, static_cast<wchar_t*>(target));
        GlobalUnlock(memory);
        if (OpenClipboard(Hwnd())) {
            EmptyClipboard();
            if (SetClipboardData(CF_UNICODETEXT, memory)) memory = nullptr;  // the clipboard owns it now
            CloseClipboard();
        }
    }
    if (memory) GlobalFree(memory);
}

// Handled here rather than by the list view, which would clear the selection on empty space.
// A busy (disabled) list opens no menu, even for a button message that reaches it anyway.
void MainWindow::OnListRightButton(HWND list, LPARAM lParam) noexcept {
    if (!IsWindowEnabled(list)) return;
    try {
        LVHITTESTINFO hit{};
        hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const int item = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item >= 0 && (hit.flags & LVHT_ONITEM)) {
            // A row outside the selection becomes the only selected one, as in Explorer; a row
            // inside it keeps the selection for the menu.
            if (!SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED)) {
                LVITEMW none{};
                none.stateMask = LVIS_SELECTED;
                SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
            }
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
        }
        POINT screen = hit.pt;
        ClientToScreen(list, &screen);
        ShowListMenu(screen);
    } catch (...) {
    }
}

UINT MainWindow::TrackPopup(HMENU menu, POINT screenPoint) {
    if (m_options.trackPopup) return m_options.trackPopup(menu, screenPoint);
    return static_cast<UINT>(TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                              screenPoint.x, screenPoint.y, Hwnd(), nullptr));
}

void MainWindow::ShowAnalyseMenu() {
    POINT pt{};
    GetCursorPos(&pt);
    if (const UINT command = TrackPopup(m_analyseMenu.get(), pt)) RunCommand(MenuCommand(command));
}

void MainWindow::ShowListMenu(POINT screenPoint) {
    if (const UINT command = TrackPopup(m_listMenu.get(), screenPoint)) RunCommand(MenuCommand(command));
}

bool MainWindow::CommandEnabled(MenuCommand command) const {
    // The list menu opens only over an enabled list.
    if (Contains(kListMenu, command)) return IsWindowEnabled(Control(kListView1));
    const UINT state = GetMenuState(m_analyseMenu.get(), static_cast<UINT>(command), MF_BYCOMMAND);
    return state == static_cast<UINT>(-1) || !(state & (MF_GRAYED | MF_DISABLED));
}

void MainWindow::RunCommand(MenuCommand command) {
    if (!Hwnd() || m_closing || !CommandEnabled(command)) return;
    OperationScope operation(*this);
    AnalysisContext ctx{m_engine, m_tasks, *this, *this, *this};
    switch (command) {
        case MenuCommand::SaveList:
            MessageBoxFlags(kNotSupportedText, MB_OK | MB_ICONEXCLAMATION);
            break;
        case MenuCommand::SmartAnalyse: {
            const Scheme scheme = m_scheme;
            ferrik::SmartAnalyse(ctx, Address(), scheme);
            break;
        }
        case MenuCommand::AnalyseEpisodePage:
            ferrik::AnalyseEpisodePage(ctx, Address());
            break;
        case MenuCommand::AnalyseQvodText:
            ferrik::AnalyseQvodText(ctx, Address());
            break;
        case MenuCommand::AnalyseEscapedQvodText:
            ferrik::AnalyseEscapedQvodText(ctx, Address());
            break;
        case MenuCommand::StopAnalysis:
            ferrik::StopAnalysis();
            break;
        case MenuCommand::CheckAll:
            m_tasks.CheckAll();
            break;
        case MenuCommand::UncheckAll:
            m_tasks.UncheckAll();
            break;
        case MenuCommand::InvertChecks:
            m_tasks.InvertChecks();
            break;
        case MenuCommand::About:
            ShowAbout();
            break;
        case MenuCommand::ChooseByName:
            ChooseRowsByName();
            break;
        case MenuCommand::Separator:
            break;
    }
}

void MainWindow::ChooseRowsByName() {
    if (!Hwnd() || m_closing || m_asking || !IsWindowEnabled(Control(kListView1))) return;
    OperationScope operation(*this);
    m_asking = true;
    MaskPrompt prompt;
    const std::optional<Text> mask = prompt.Ask(Hwnd(), m_masks, [this] { return m_closing; });
    m_asking = false;
    // The list may have become busy meanwhile (a command sent while the prompt was up).
    if (!mask || m_closing || !Hwnd() || !IsWindowEnabled(Control(kListView1))) return;
    RememberMask(m_masks, *mask);
    if (const std::optional<std::size_t> count = ChooseByName(m_tasks, *mask)) ShowStatus(ChosenByNameStatus(*count));
}

bool MainWindow::TakesDrops() const {
    return Hwnd() && !m_closing && m_operations == 0 && IsWindowEnabled(Hwnd()) && IsWindowEnabled(Control(kCombo1));
}

void MainWindow::SubmitTasks() {
    if (!m_player || !Hwnd() || m_closing || !IsWindowEnabled(Control(kCommand2))) return;
    OperationScope operation(*this);
    ferrik::SubmitTasks(BatchPorts{m_tasks, *this, *m_player, m_wait, m_pump, m_pageLinks, *this});
}

void MainWindow::ShowAbout() {
    if (!m_about || !m_about->Hwnd()) {
        m_about = std::make_unique<AboutWindow>();
        if (!m_about->Create(Hwnd())) return;
    }
    m_about->Show();
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

void MainWindow::ShowStatus(TextView text) {
    const Text caption(text);
    SetWindowTextW(Control(kLblResult), Wide(caption));
    FitLabelToText(Control(kLblResult), MainControl(kLblResult), m_dpi);
    m_pump.PumpMessages();
}

void MainWindow::SetControlsEnabled(bool enabled) {
    for (int id : kBusyControls) EnableWindow(Control(id), enabled);
    for (MenuCommand command : kBusyMenuEntries)
        EnableMenuItem(m_analyseMenu.get(), static_cast<UINT>(command),
                       MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void MainWindow::LockControls() {
    SetControlsEnabled(false);
}

void MainWindow::UnlockControls() {
    SyncList();  // the operation ends: every row it added is shown
    EnableWindow(Control(kCommand1), TRUE);
    SetControlsEnabled(true);
}

int MainWindow::MessageBoxFlags(TextView text, UINT flags) {
    if (m_closing || !Hwnd()) return (flags & MB_YESNO) ? IDNO : IDOK;
    const Text body(text);
    const Text title(kMessageTitle);
    return MessageBoxW(Hwnd(), Wide(body), Wide(title), flags);
}

void MainWindow::Warn(TextView text) {
    MessageBoxFlags(text, MB_OK | MB_ICONEXCLAMATION);
}

bool MainWindow::Ask(TextView text) {
    return MessageBoxFlags(text, MB_YESNO | MB_ICONINFORMATION) != IDNO;
}

void MainWindow::ShowMessage(TextView text, MessageIcon icon) {
    if (!m_closing && Hwnd()) ShowMessageBox(Hwnd(), text, icon);
}

void MainWindow::ShellOpen(TextView text) {
    if (m_options.shellOpen) {
        m_options.shellOpen(text);
    } else {
        ferrik::ShellOpen(text);
    }
}

void MainWindow::Beep() {
    MessageBeep(MB_OK);
}

void MainWindow::OnRowAdded(std::size_t) {
    ListChanged();
}

void MainWindow::OnRowsCleared() {
    // The rows are gone from the model: the list must not ask for them any more.
    m_listShown = 0;
    SendMessageW(Control(kListView1), LVM_SETITEMCOUNT, 0, 0);
}

void MainWindow::OnRowChanged(std::size_t index) {
    // A check box or a status written by the batch driver: redraw that row now if it is in view.
    HWND list = Control(kListView1);
    if (!list || index >= m_listShown) return;
    const auto top = static_cast<std::size_t>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    const auto page = static_cast<std::size_t>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    if (index < top || index > top + page) return;
    SendMessageW(list, LVM_REDRAWITEMS, index, index);
}

// Many rows at once (a choice by name): one repaint of the list instead of one per row.
void MainWindow::OnRowsChanged(const std::vector<std::size_t>&) {
    if (HWND list = Control(kListView1)) InvalidateRect(list, nullptr, FALSE);
}

void MainWindow::OnHeaderChanged(TextView) {
    ListChanged();
}

void MainWindow::ListChanged() {
    m_listPending = true;
    const bool first = m_listShown == 0 && m_tasks.Count() > 0;
    if (first || GetTickCount64() - m_listSyncedAt >= kListSyncMs) {
        SyncList();
        // Drawn now: an analysis that adds rows without pumping messages still shows them.
        RedrawWindow(Control(kListView1), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    } else if (!m_listTimer && Hwnd()) {
        m_listTimer = SetTimer(Hwnd(), kListSyncTimer, static_cast<UINT>(kListSyncMs), nullptr) != 0;
    }
}

void MainWindow::SyncList() {
    if (m_listTimer) {
        KillTimer(Hwnd(), kListSyncTimer);
        m_listTimer = false;
    }
    HWND list = Control(kListView1);
    if (!m_listPending || !list) return;
    m_listPending = false;
    m_listSyncedAt = GetTickCount64();
    const std::size_t count = m_tasks.Count();
    if (count != m_listShown) {
        m_listShown = count;
        SendMessageW(list, LVM_SETITEMCOUNT, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    }
    Text header = m_tasks.Header();
    if (header != m_listHeader) {
        m_listHeader = std::move(header);
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_TEXT;
        lvc.pszText = const_cast<wchar_t*>(Wide(m_listHeader));
        SendMessageW(list, LVM_SETCOLUMNW, 0, reinterpret_cast<LPARAM>(&lvc));
    }
}

}  // namespace ferrik
