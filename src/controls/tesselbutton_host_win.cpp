// What the portable button asks of its window (ButtonHost): ambient values, drawing, the region
// and size, pointers, input plumbing, the tooltip and the popup menu.
#include "controls/tesselbutton_win.h"

#include <commctrl.h>

#include <utility>

#include "controls/button_color_win.h"
#include "controls/button_tooltip.h"
#include "controls/cursor_file.h"
#include "platform/pump_win.h"
#include "platform/system_dlls_win.h"

namespace ferrik {

UniqueCursor CursorFromFileImage(const std::vector<std::uint8_t>& bytes) {
    const std::optional<CursorImage> image = CursorImageOf(bytes);
    if (!image) return UniqueCursor();
    std::vector<std::uint8_t> resource = image->resource;
    return UniqueCursor(CreateIconFromResourceEx(resource.data(), static_cast<DWORD>(resource.size()), image->icon,
                                                 0x00030000, image->width, image->height, LR_DEFAULTCOLOR));
}

bool TesselButtonWindow::AmbientDisplayAsDefault() const {
    if (!m_default || !Hwnd()) return false;
    const HWND focus = GetFocus();
    return !focus || focus == Hwnd() || !FromHandle(focus) ||
           GetAncestor(focus, GA_ROOT) != GetAncestor(Hwnd(), GA_ROOT);
}

void TesselButtonWindow::ShowMessageBox(TextView text, TextView title) {
    const Text body(text);
    const Text caption(title);
    MessageBoxW(Hwnd(), reinterpret_cast<const wchar_t*>(body.c_str()),
                reinterpret_cast<const wchar_t*>(caption.c_str()), MB_OK | MB_ICONINFORMATION);
}

// The container's tooltip for the button is a tool of the tooltip window the form gave
// (SetContainerTooltips); an empty text removes the tool.
void TesselButtonWindow::SetContainerToolTip(TextView text) {
    m_containerToolTip = Text(text);
    if (!m_containerTips || !IsWindow(m_containerTips) || !Hwnd()) return;
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = GetParent(Hwnd());
    ti.uId = reinterpret_cast<UINT_PTR>(Hwnd());
    SendMessageW(m_containerTips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (m_containerToolTip.empty()) return;
    ti.lpszText = reinterpret_cast<wchar_t*>(m_containerToolTip.data());
    SendMessageW(m_containerTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

// A custom pointer from the picture's file image (.ico or .cur) for MousePointer 99; a picture
// that is no icon or cursor leaves the default pointer (errors are ignored).
void TesselButtonWindow::SetMouseIcon(const std::optional<Picture>& icon) {
    m_iconCursor.reset();
    if (icon) m_iconCursor = CursorFromFileImage(icon->bytes);
}

std::optional<std::uint32_t> TesselButtonWindow::SysColor(int index) const {
    return WindowsSystemColors().SysColor(index);
}

ButtonFont TesselButtonWindow::AmbientFont() const {
    HFONT font = m_ambientFont;
    if (const HWND parent = !font && Hwnd() ? GetParent(Hwnd()) : nullptr) {
        font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    }
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf{};
    GetObjectW(font, sizeof(lf), &lf);
    ButtonFont result;
    result.name = Text(reinterpret_cast<const char16_t*>(lf.lfFaceName));
    const int dpi = m_dpi > 0 ? m_dpi : ScreenDpi();
    const int pixels = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    result.size = pixels ? static_cast<std::int64_t>(pixels) * 72 * 10000 / dpi : 90000;
    result.weight = lf.lfWeight ? lf.lfWeight : 400;
    result.italic = lf.lfItalic != 0;
    result.underline = lf.lfUnderline != 0;
    result.strikethrough = lf.lfStrikeOut != 0;
    result.charset = lf.lfCharSet;
    return result;
}

void TesselButtonWindow::AdoptFont(const ButtonFont& font) {
    LOGFONTW lf{};
    const int dpi = m_dpi > 0 ? m_dpi : ScreenDpi();
    lf.lfHeight = -static_cast<LONG>((font.size * dpi + 72 * 5000) / (72 * 10000));
    lf.lfWeight = font.weight;
    lf.lfItalic = font.italic;
    lf.lfUnderline = font.underline;
    lf.lfStrikeOut = font.strikethrough;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    lstrcpynW(lf.lfFaceName, reinterpret_cast<const wchar_t*>(font.name.c_str()), LF_FACESIZE);
    m_font.reset(CreateFontIndirectW(&lf));
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void TesselButtonWindow::Redraw() {
    ++m_repaints;
    if (!Hwnd()) return;
    const ButtonLook look = CurrentLook();
    if (m_paintDc) {
        PaintLook(m_paintDc, look);
    } else {
        WindowDc dc(Hwnd());
        if (dc.get()) PaintLook(dc.get(), look);
    }
    // Every change of state ends in a repaint: the place to tell screen readers of it.
    AnnounceChanges();
}

ButtonLook TesselButtonWindow::CurrentLook() const {
    return LookOf(m_button, *this, ClientWidth(), ClientHeight(), UserMode());
}

// Drawn off-screen and copied in one transfer, so that the cleared background never shows.
void TesselButtonWindow::PaintLook(HDC dc, const ButtonLook& look) {
    const int width = look.width;
    const int height = look.height;
    if (width <= 0 || height <= 0) return;
    const HDC memory = m_paint.back.Prepare(width, height);
    if (!memory) return;
    // The host's background is the face colour.
    const RECT all{0, 0, width, height};
    FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
    GdiButtonCanvas canvas(memory, Hwnd(), m_button, m_font.get(), m_nt, width, height, m_paint,
                           [this] { BuildRegion(); });
    PaintButtonStyle(canvas, look);
    m_content = canvas.Content();
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
}

void TesselButtonWindow::BuildRegion() {
    if (!Hwnd()) return;
    RECT rc;
    GetClientRect(Hwnd(), &rc);
    int corner = 0;
    switch (m_button.ButtonStyle()) {
        case kCurvedGradient:
        case kGlassGradient:
        case kPaleRounded:
        case kGlossy:
            corner = 3;
            break;
        case kSoftGradient:
        case kCurvedPanel:
            corner = 4;
            break;
        default:
            break;
    }
    // Corner size and client size of the region; unchanged, it is not made and set again.
    const std::uint64_t key = (static_cast<std::uint64_t>(corner + 1) << 48) |
                              (static_cast<std::uint64_t>(rc.right & 0xFFFFFF) << 24) | (rc.bottom & 0xFFFFFF);
    if (key == m_paint.regionKey) return;
    m_paint.regionKey = key;
    SetWindowRegionOnce(Hwnd(), corner ? CreateRoundRectRgn(0, 0, rc.right + 1, rc.bottom + 1, corner, corner)
                                       : CreateRectRgn(0, 0, rc.right, rc.bottom));
}

void TesselButtonWindow::ResizeHandling() {
    if (!Hwnd() || m_sizing) return;
    RECT rc;
    GetWindowRect(Hwnd(), &rc);
    const int dpi = m_dpi > 0 ? m_dpi : ScreenDpi();
    const int minimum = MulDiv(kMinimumSizeTwips, dpi, 1440);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    if (width < minimum || height < minimum) {
        m_sizing = true;
        SetWindowPos(Hwnd(), nullptr, 0, 0, width < minimum ? minimum : width, height < minimum ? minimum : height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_sizing = false;
    }
    BuildRegion();
    m_button.Repaint();
}

namespace {
std::optional<bool> g_appThemed;
}  // namespace

void TesselButtonWindow::SetAppThemed(std::optional<bool> themed) noexcept {
    g_appThemed = themed;
}

bool TesselButtonWindow::IsAppThemed() const {
    if (g_appThemed) return *g_appThemed;
    static const bool themed = late::IsAppThemed() != FALSE;
    return themed;
}

int TesselButtonWindow::ClientWidth() const {
    RECT rc{};
    if (Hwnd()) GetClientRect(Hwnd(), &rc);
    return rc.right;
}

int TesselButtonWindow::ClientHeight() const {
    RECT rc{};
    if (Hwnd()) GetClientRect(Hwnd(), &rc);
    return rc.bottom;
}

void TesselButtonWindow::SetWindowEnabled(bool enabled) {
    if (Hwnd()) EnableWindow(Hwnd(), enabled);
}

bool TesselButtonWindow::LoadHandCursor() {
    m_hand = LoadCursorW(nullptr, IDC_HAND);
    return m_hand != nullptr;
}

void TesselButtonWindow::ShowHandCursor() {
    if (!m_hand) LoadHandCursor();
    if (m_hand) SetCursor(m_hand);
}

bool TesselButtonWindow::CursorOverSelf() const {
    POINT pt;
    return Hwnd() && GetCursorPos(&pt) && WindowFromPoint(pt) == Hwnd();
}

void TesselButtonWindow::TrackMouseLeave() {
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = Hwnd();
    TrackMouseEvent(&tme);
}

bool TesselButtonWindow::HasCapture() const {
    return Hwnd() && GetCapture() == Hwnd();
}

void TesselButtonWindow::CaptureMouse() {
    if (Hwnd()) SetCapture(Hwnd());
}

void TesselButtonWindow::ReleaseMouse() {
    if (HasCapture()) ReleaseCapture();
}

// The window manager's tab order, not synthesized keystrokes.
void TesselButtonWindow::MoveFocus(bool previous) {
    const HWND top = GetAncestor(Hwnd(), GA_ROOT);
    if (const HWND next = GetNextDlgTabItem(top, Hwnd(), previous)) SetFocus(next);
}

void TesselButtonWindow::FocusPrevious() {
    MoveFocus(true);
}

void TesselButtonWindow::FocusNext() {
    MoveFocus(false);
}

void TesselButtonWindow::PumpEvents() {
    PumpPendingMessages();
}

void TesselButtonWindow::ShowTooltip() {
    m_tooltip.reset();
    const TooltipSetup setup = MakeTooltipSetup(m_button, *this, m_nt);
    m_tooltip.reset(CreateWindowExW(setup.exStyle, TOOLTIPS_CLASSW, nullptr, setup.style, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr));
    const HWND tip = m_tooltip.get();
    if (!tip) return;
    SetClassLongPtrW(tip, GCL_STYLE, GetClassLongPtrW(tip, GCL_STYLE) | setup.classStyleAdd);
    Text text = m_button.ToolTip();
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = setup.toolFlags;
    ti.hwnd = Hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(Hwnd());
    GetClientRect(Hwnd(), &ti.rect);
    ti.hinst = GetModuleHandleW(nullptr);
    ti.lpszText = reinterpret_cast<wchar_t*>(text.data());
    SendMessageW(tip, setup.addToolMessage, 0, reinterpret_cast<LPARAM>(&ti));
    if (setup.setTitleMessage) {
        SendMessageW(tip, *setup.setTitleMessage, static_cast<WPARAM>(m_button.ToolTipIcon()),
                     reinterpret_cast<LPARAM>(m_button.TooltipTitle().c_str()));
    }
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, setup.maxWidth);
    if (setup.backColor) SendMessageW(tip, TTM_SETTIPBKCOLOR, static_cast<WPARAM>(*setup.backColor), 0);
}

bool TesselButtonWindow::IsMenu(MenuHandle menu) const {
    return ::IsMenu(reinterpret_cast<HMENU>(menu)) != FALSE;
}

// The default item shows in bold for this showing only: the caller's menu keeps its own default.
void TesselButtonWindow::ShowPopupMenu(MenuHandle menu, int x, int y, std::uint32_t flags, MenuHandle defaultItem) {
    const HMENU hmenu = reinterpret_cast<HMENU>(menu);
    if (!::IsMenu(hmenu)) return;
    const UINT ownDefault = GetMenuDefaultItem(hmenu, FALSE, GMDI_USEDISABLED);
    if (defaultItem) SetMenuDefaultItem(hmenu, static_cast<UINT>(defaultItem), FALSE);
    POINT pt{x, y};
    ClientToScreen(Hwnd(), &pt);
    TrackPopupMenu(hmenu, flags, pt.x, pt.y, 0, GetParent(Hwnd()), nullptr);
    if (defaultItem && ::IsMenu(hmenu)) SetMenuDefaultItem(hmenu, ownDefault, FALSE);
}

std::vector<TesselButton*> TesselButtonWindow::ButtonsInContainer() {
    std::vector<TesselButton*> buttons;
    const HWND parent = Hwnd() ? GetParent(Hwnd()) : nullptr;
    if (!parent) return buttons;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (TesselButtonWindow* button = FromHandle(child)) buttons.push_back(&button->m_button);
    }
    return buttons;
}

}  // namespace ferrik
