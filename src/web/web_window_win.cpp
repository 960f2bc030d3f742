#include "web/web_window_win.h"

#include <commctrl.h>

#include <algorithm>

#include "forms/form_controls_win.h"
#include "web/web_buttons.h"

namespace ferrik {

namespace {

constexpr FormShape kWebShape{kWebClientWidth, kWebClientHeight, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                              kWebControls};
constexpr UINT_PTR kAddressEdit = 1;
constexpr UINT_PTR kSearchEdit = 2;

HWND ComboEdit(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    return GetComboBoxInfo(combo, &info) ? info.hwndItem : nullptr;
}

// picAddress holds the address box and ">": their notifications go on to the form.
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) noexcept {
    if (msg == WM_COMMAND || msg == WM_NOTIFY) return SendMessageW(GetParent(hwnd), msg, wParam, lParam);
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, ContainerProc, id);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

WebWindow::WebWindow(WebWindowPorts ports, BrowserMaker makeBrowser)
    : FormWindow(kWebShape),
      m_ports(std::move(ports)),
      m_makeBrowser(std::move(makeBrowser)),
      m_buttons(WebButtonDesignText()) {}

WebWindow::~WebWindow() {
    if (Hwnd()) DestroyWindow(Hwnd());
}

bool WebWindow::Create(HWND owner) {
    m_owner = owner;
    if (!CreateForm(owner, Text(kWebCaption))) return false;
    // The browser is placed like the other controls, before the load runs.
    const RECT bounds = BrowserBounds();
    const auto closing = [this] { return !Hwnd() || (m_ports.ownerClosing && m_ports.ownerClosing()); };
    m_browser = m_makeBrowser ? m_makeBrowser(Hwnd(), bounds, m_navigator)
                              : CreateBrowser(Hwnd(), bounds, m_navigator, nullptr, closing);
    if (closing()) {
        // Closed while the browser was chosen: nothing of it is shown.
        m_browser.reset();
        return false;
    }
    m_navigator.SetBrowser(m_browser.get());
    OnSize();
    Load();
    return Hwnd() != nullptr;
}

void WebWindow::Load() {
    TakeOwnerIcons(m_owner);
    m_skinner.AttachSkin(Hwnd());
    try {
        m_navigator.Start();
    } catch (...) {
    }
    LoadSiteList();
    m_drop.Register(
        Hwnd(), [this] { return Hwnd() && IsWindowEnabled(Hwnd()); },
        [this](TextView address) { DropAddress(address); });
}

void WebWindow::DropAddress(TextView address) {
    SetAddressText(address);
    m_navigator.OnAddressChanged();
    m_navigator.Go();
}

bool WebWindow::HandlerRunning() const noexcept {
    if (HandlerOnStack(this) || m_buttons.HandlerRunning()) return true;
    // The own browser is a window object of its own; the system's control is no window of ours.
    return m_browser && HandlerOnStack(dynamic_cast<const void*>(m_browser.get()));
}

void WebWindow::Show() {
    ShowInFront();
}

HWND WebWindow::Control(int id) const {
    if (id < kWebCommand5 || id > kStatusBar1) return nullptr;
    return m_controls[id - kWebCommand5];
}

TesselButtonWindow* WebWindow::Button(int id) const {
    return m_buttons.Find(id);
}

HWND WebWindow::MakeControl(const ControlLayout& layout, HWND parent) {
    if (layout.kind != ControlKind::TesselButton) return FormWindow::MakeControl(layout, parent);
    // From the stored properties; Click comes as WM_COMMAND BN_CLICKED.
    TesselButtonWindow* button = m_buttons.Create(layout, parent, m_dpi, nullptr, m_font.get());
    return button ? button->Hwnd() : nullptr;
}

void WebWindow::ControlMade(const ControlLayout& layout, HWND hwnd) {
    m_controls[layout.id - kWebCommand5] = hwnd;
}

bool WebWindow::OnCreate() {
    if (!BuildControls()) return false;
    ApplyGlyphs();
    FitLabelToText(Control(kLblAddress), WebControl(kLblAddress), m_dpi);
    const Text start(kStartAddress);
    SendMessageW(Control(kCboAddress), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(start)));
    // The controls inside picAddress report to it; it passes their commands on to the form.
    SetWindowSubclass(Control(kPicAddress), ContainerProc, 0, 0);
    if (HWND edit = ComboEdit(Control(kCboAddress)))
        SetWindowSubclass(edit, EditProc, kAddressEdit, reinterpret_cast<DWORD_PTR>(this));
    if (HWND edit = ComboEdit(Control(kCmbSearch)))
        SetWindowSubclass(edit, EditProc, kSearchEdit, reinterpret_cast<DWORD_PTR>(this));

    // cmbSearch's tooltip, over the box and its edit line.
    m_searchTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, Hwnd(),
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (m_searchTip) {
        const Text tip(kSearchToolTip);
        for (HWND tool : {Control(kCmbSearch), ComboEdit(Control(kCmbSearch))}) {
            if (!tool) continue;
            TTTOOLINFOW info{};
            info.cbSize = sizeof(info);
            info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            info.hwnd = Hwnd();
            info.uId = reinterpret_cast<UINT_PTR>(tool);
            info.lpszText = const_cast<wchar_t*>(Wide(tip));
            SendMessageW(m_searchTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        }
        m_buttons.SetContainerTooltips(m_searchTip);
    }

    // ListView2: one column, its rows kept here (owner data).
    HWND list = Control(kListView2);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const Text header(kSiteColumn.header);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = Px(kSiteColumn.widthTwips);
    column.pszText = const_cast<wchar_t*>(Wide(header));
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));

    HWND status =
        CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, Px(kStatusBarHeight), Hwnd(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBar1)), GetModuleHandleW(nullptr), nullptr);
    if (!status) return false;
    SendMessageW(status, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
    SendMessageW(status, SB_SIMPLE, TRUE, 0);
    m_controls[kStatusBar1 - kWebCommand5] = status;
    SizeStatusBar();
    return true;
}

// The status bar is 300 twips high in all, borders included (the minimum height is that of its
// drawing area alone): the list and the browser end 50 twips above it.
void WebWindow::SizeStatusBar() {
    HWND status = Control(kStatusBar1);
    if (!status) return;
    int drawing = Px(kStatusBarHeight);
    for (int attempt = 0; attempt < 2; ++attempt) {
        SendMessageW(status, SB_SETMINHEIGHT, static_cast<WPARAM>(drawing), 0);
        SendMessageW(status, WM_SIZE, 0, 0);
        RECT rc{};
        GetWindowRect(status, &rc);
        const int excess = (rc.bottom - rc.top) - Px(kStatusBarHeight);
        if (excess <= 0 || drawing - excess <= 0) break;
        drawing -= excess;
    }
}

// The navigation pictures drawn for the DPI (the stored ones are for 96 DPI).
void WebWindow::ApplyGlyphs() {
    const int size = GlyphSizeForDpi(m_dpi);
    for (const auto& [name, glyph] : kWebButtonGlyphs) {
        for (const ControlLayout& layout : kWebControls) {
            TesselButtonWindow* button = layout.name == name ? m_buttons.Find(layout.id) : nullptr;
            if (!button) continue;
            const std::optional<Picture>& current = button->Button().PictureNormal();
            Picture picture = WebGlyphPicture(glyph, size);
            if (!current || *current != picture) button->Button().SetPictureNormal(std::move(picture));
        }
    }
}

// After the font and the controls: the buttons' faces, regions and pictures, then the resize
// rules for the suggested rectangle and the page's scale.
void WebWindow::RelayoutForDpi(int old, const RECT& suggested) {
    const int dpi = m_dpi;
    m_buttons.SetDpi(dpi, m_font.get());
    ApplyGlyphs();
    FitLabelToText(Control(kLblAddress), WebControl(kLblAddress), m_dpi);
    HWND list = Control(kListView2);
    const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, MulDiv(width, dpi, old));
    if (HWND status = Control(kStatusBar1))
        SendMessageW(status, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
    SizeStatusBar();
    PlaceWindow(Hwnd(), suggested);
    OnSize();
    if (m_browser) m_browser->SetDpi(dpi);
    RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void WebWindow::LoadSiteList() {
    m_sites = m_ports.decoder ? ferrik::LoadSiteList(m_ports.dataDirectory + u"\\Rule.dat", *m_ports.decoder)
                              : std::vector<SiteRow>();
    HWND list = Control(kListView2);
    SendMessageW(list, LVM_SETITEMCOUNT, m_sites.size(), 0);
    const Text header = SiteListHeader(m_sites.size());
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = const_cast<wchar_t*>(Wide(header));
    SendMessageW(list, LVM_SETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    InvalidateRect(list, nullptr, TRUE);
}

RECT WebWindow::BrowserBounds() const {
    return RECT{Px(kBrowserRect.left), Px(kBrowserRect.top), Px(kBrowserRect.left + kBrowserRect.width),
                Px(kBrowserRect.top + kBrowserRect.height)};
}

void WebWindow::OnSize() {
    if (HWND status = Control(kStatusBar1)) SendMessageW(status, WM_SIZE, 0, 0);
    if (!Control(kListView2)) return;
    RECT window{}, client{};
    GetWindowRect(Hwnd(), &window);
    GetClientRect(Hwnd(), &client);
    WebResizeInput in;
    in.windowWidth = Twips(window.right - window.left);
    in.innerWidth = Twips(client.right);
    in.innerHeight = Twips(client.bottom);
    in.picAddress = ControlTwips(Control(kPicAddress));
    in.cmbSearch = ControlTwips(Control(kCmbSearch));
    in.cboAddress = ControlTwips(Control(kCboAddress));
    in.listView2 = ControlTwips(Control(kListView2));
    const WebResizeResult r = ResizeWebForm(in);
    constexpr UINT kSize = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    constexpr UINT kMove = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    if (r.picAddressWidth)
        SetWindowPos(Control(kPicAddress), nullptr, 0, 0, Px(*r.picAddressWidth), Px(in.picAddress.height), kSize);
    if (r.cmbSearchLeft)
        SetWindowPos(Control(kCmbSearch), nullptr, Px(*r.cmbSearchLeft), Px(in.cmbSearch.top), 0, 0, kMove);
    if (r.cboAddressWidth) {
        // A combo box's window height includes its dropped-down list.
        RECT combo{};
        GetWindowRect(Control(kCboAddress), &combo);
        SetWindowPos(Control(kCboAddress), nullptr, 0, 0, Px(*r.cboAddressWidth), combo.bottom - combo.top, kSize);
    }
    if (r.listView2Height)
        SetWindowPos(Control(kListView2), nullptr, 0, 0, Px(in.listView2.width), Px(*r.listView2Height), kSize);
    if (r.command1Left) {
        const TwipsRect command1 = ControlTwips(Control(kWebCommand1));
        SetWindowPos(Control(kWebCommand1), nullptr, Px(*r.command1Left), Px(command1.top), 0, 0, kMove);
    }
    if (r.browser && m_browser)
        m_browser->SetBounds(Px(r.browser->left), Px(r.browser->top), Px(r.browser->width), Px(r.browser->height));
}

LRESULT WebWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (const auto handled = FormMessage(msg, wParam, lParam)) return *handled;
    switch (msg) {
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) {
                try {
                    OnSize();
                } catch (...) {
                }
            }
            return 0;
        case WM_COMMAND:
            try {
                OnCommand(LOWORD(wParam), HIWORD(wParam));
            } catch (...) {
            }
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CLOSE:
            DestroyWindow(Hwnd());
            return 0;
        case WM_DESTROY:
            m_drop.Revoke();
            // The browser goes while its container window still stands.
            m_navigator.SetBrowser(nullptr);
            m_browser.reset();
            m_skinner.DetachSkin(Hwnd());
            return 0;
        default:
            return DefaultProc(msg, wParam, lParam);
    }
}

void WebWindow::OnFinalDestroy() {
    for (HWND& control : m_controls) control = nullptr;
    m_searchTip = nullptr;
}

namespace {

// The buttons and what a click on each does.
struct ButtonAction {
    int id;
    void (WebNavigator::*click)();
};
constexpr ButtonAction kButtonActions[] = {
    {kWebCommand1, &WebNavigator::Go},
    {kWebCommand5, &WebNavigator::GoBack},
    {kWebCommand6, &WebNavigator::GoForward},
    {kWebCommand2, &WebNavigator::GoHome},
    {kWebCommand3, &WebNavigator::Refresh},
    {kWebCommand4, &WebNavigator::StopLoading},
    {kWebCommand7, &WebNavigator::AddCurrentPage},
};

}  // namespace

void WebWindow::OnCommand(int id, int code) {
    for (const ButtonAction& button : kButtonActions) {
        if (button.id != id) continue;
        if (code == BN_CLICKED) (m_navigator.*button.click)();
        return;
    }
    switch (id) {
        case kCboAddress:
            if (code == CBN_EDITCHANGE && !m_settingAddress) {
                m_navigator.OnAddressChanged();
            } else if (code == CBN_SELCHANGE) {
                // The edit line takes the entry's text only after this notification.
                HWND combo = Control(kCboAddress);
                const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
                const LRESULT length = index >= 0 ? SendMessageW(combo, CB_GETLBTEXTLEN, index, 0) : CB_ERR;
                if (length == CB_ERR) break;
                Text entry(static_cast<std::size_t>(length) + 1, u'\0');
                SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry.data()));
                entry.resize(static_cast<std::size_t>(length));
                m_navigator.GoTo(entry);
            }
            break;
        default:
            break;
    }
}

LRESULT WebWindow::OnNotify(const NMHDR& header) {
    if (header.idFrom != kListView2) return 0;
    try {
        if (header.code == LVN_GETDISPINFOW) {
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
            if ((item.mask & LVIF_TEXT) && item.iItem >= 0 && static_cast<std::size_t>(item.iItem) < m_sites.size())
                CopyText(item.iSubItem == 0 ? m_sites[static_cast<std::size_t>(item.iItem)].name : Text(), item.pszText,
                         item.cchTextMax);
        } else if (header.code == NM_CLICK) {
            OnSiteClick();
        }
    } catch (...) {
    }
    return 0;
}

void WebWindow::OnSiteClick() {
    const auto index =
        static_cast<int>(SendMessageW(Control(kListView2), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (index < 0 || static_cast<std::size_t>(index) >= m_sites.size()) return;
    const Text address = m_sites[static_cast<std::size_t>(index)].address;
    m_navigator.OpenSite(address);
}

LRESULT CALLBACK WebWindow::EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data) noexcept {
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, EditProc, id);
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    // The form's dialog handling would take Enter for itself.
    if (msg == WM_GETDLGCODE && wParam == VK_RETURN)
        return DefSubclassProc(hwnd, msg, wParam, lParam) | DLGC_WANTMESSAGE;
    if (wParam == VK_RETURN && (msg == WM_KEYDOWN || msg == WM_CHAR)) {
        // Handled on the key press; the character would only beep.
        if (msg == WM_KEYDOWN) {
            auto* self = reinterpret_cast<WebWindow*>(data);
            try {
                if (id == kAddressEdit) {
                    self->m_navigator.Go();
                } else {
                    self->m_navigator.FillKeyword();
                }
            } catch (...) {
            }
        }
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

Text WebWindow::StatusText() const {
    HWND status = Control(kStatusBar1);
    if (!status) return {};
    // In simple mode part 0 reads the simple text.
    const auto length = LOWORD(SendMessageW(status, SB_GETTEXTLENGTHW, 0, 0));
    Text text(static_cast<std::size_t>(length) + 1, u'\0');
    SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void WebWindow::SetStatusText(TextView text) {
    const Text t(text);
    SendMessageW(Control(kStatusBar1), SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(Wide(t)));
}

Text WebWindow::AddressText() const {
    return WindowText(Control(kCboAddress));
}

void WebWindow::SetAddressText(TextView text) {
    const Text t(text);
    m_settingAddress = true;
    SetWindowTextW(Control(kCboAddress), Wide(t));
    m_settingAddress = false;
}

Text WebWindow::Caption() const {
    return WindowText(Hwnd());
}

void WebWindow::SetCaption(TextView text) {
    const Text t(text);
    SetWindowTextW(Hwnd(), Wide(t));
}

Text WebWindow::SearchText() const {
    return WindowText(Control(kCmbSearch));
}

void WebWindow::HandOver(TextView address) {
    if (m_ports.handOver) m_ports.handOver(address);
}

}  // namespace ferrik
