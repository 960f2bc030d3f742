#include "app/about_window_win.h"

#include "forms/form_controls_win.h"
#include "app/main_form.h"

namespace ferrik {

namespace {

constexpr wchar_t kFormClass[] = L"Form";
constexpr DWORD kAboutStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kAboutExStyle = WS_EX_DLGMODALFRAME;

}  // namespace

AboutWindow::~AboutWindow() {
    if (Hwnd()) DestroyWindow(Hwnd());
}

bool AboutWindow::Create(HWND owner) {
    if (!RegisterRoutedClass(kFormClass)) return false;
    m_dpi = owner ? WindowDpi(owner) : ScreenDpi();
    const SIZE size = FormWindowSize(kAboutClientWidth, kAboutClientHeight, kAboutStyle, kAboutExStyle, m_dpi);
    const Text caption(kAboutCaption);
    if (!CreateRouted(kFormClass, Wide(caption), kAboutStyle, kAboutExStyle, 0, 0, size.cx, size.cy, owner))
        return false;
    RECT ownerRect{};
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &ownerRect))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &ownerRect, 0);
    CenterWindowOn(Hwnd(), ownerRect);
    if (const auto change = PlacedDpiChange(Hwnd(), m_dpi, ownerRect, kAboutClientWidth, kAboutClientHeight,
                                            kAboutStyle, kAboutExStyle))
        OnDpiChanged(change->dpi, change->suggested);
    // Load: the owner's icon, then the skin.
    for (WPARAM which : {ICON_BIG, ICON_SMALL}) {
        const LRESULT icon = owner ? SendMessageW(owner, WM_GETICON, which, 0) : 0;
        if (icon) SendMessageW(Hwnd(), WM_SETICON, which, icon);
    }
    m_skinner.AttachSkin(Hwnd());
    return true;
}

void AboutWindow::Show() {
    if (!Hwnd()) return;
    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
}

bool AboutWindow::OnCreate() {
    m_font = CreateFormFont(m_dpi);
    for (const ControlLayout& layout : kAboutControls)
        if (!CreateFormControl(layout, Hwnd(), m_dpi, m_font.get())) return false;
    return true;
}

// The same window, laid out again at the new DPI. A window already laid out for that DPI (made for
// its owner's monitor, then moved there) keeps its size.
void AboutWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    if (dpi == m_dpi || dpi <= 0) return;
    m_dpi = dpi;
    RelayoutPlainForm(
        Hwnd(), kAboutControls, [this](int id) { return GetDlgItem(Hwnd(), id); }, dpi, m_font, suggested);
}

LRESULT AboutWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate() ? 0 : -1;
        case WM_DPICHANGED: {
            const DpiChange change = DecodeDpiChanged(wParam, lParam);
            OnDpiChanged(change.dpi, change.suggested);
            return 0;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == kAboutCommand1 && HIWORD(wParam) == BN_CLICKED) DestroyWindow(Hwnd());
            return 0;
        case WM_DESTROY:
            m_skinner.DetachSkin(Hwnd());
            return 0;
        default:
            return DefaultProc(msg, wParam, lParam);
    }
}

}  // namespace ferrik
