#include "app/mask_prompt_win.h"

#include "app/choose_by_name.h"
#include "app/prompts_win.h"
#include "forms/form_controls_win.h"

namespace ferrik {

namespace {

constexpr wchar_t kFormClass[] = L"Form";
constexpr DWORD kPromptStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kPromptExStyle = WS_EX_DLGMODALFRAME;

}  // namespace

MaskPrompt::~MaskPrompt() {
    if (Hwnd()) DestroyWindow(Hwnd());
}

std::optional<Text> MaskPrompt::Ask(HWND owner, const std::vector<Text>& history,
                                    const std::function<bool()>& abandon) {
    if (!RegisterRoutedClass(kFormClass)) return std::nullopt;
    // Laid out for the owner's monitor, where it is shown.
    m_dpi = owner ? WindowDpi(owner) : ScreenDpi();
    const SIZE size = FormWindowSize(kMaskClientWidth, kMaskClientHeight, kPromptStyle, kPromptExStyle, m_dpi);
    const Text caption(kMaskPromptCaption);
    if (!CreateRouted(kFormClass, Wide(caption), kPromptStyle, kPromptExStyle, 0, 0, size.cx, size.cy, owner))
        return std::nullopt;
    RECT area{};
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    CenterWindowOn(Hwnd(), area);
    if (const auto change =
            PlacedDpiChange(Hwnd(), m_dpi, area, kMaskClientWidth, kMaskClientHeight, kPromptStyle, kPromptExStyle))
        OnDpiChanged(change->dpi, change->suggested);
    m_skinner.AttachSkin(Hwnd());

    HWND combo = GetDlgItem(Hwnd(), kMaskCombo);
    for (const Text& mask : history) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(mask)));
    if (!history.empty()) SetWindowTextW(combo, Wide(history.front()));
    SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));

    const bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (ownerEnabled) EnableWindow(owner, FALSE);
    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
    SetFocus(combo);
    // A modal loop of its own; a WM_QUIT is left for the program's loop.
    MSG msg;
    while (!m_done && Hwnd() && !(abandon && abandon())) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (Hwnd() && IsDialogMessageW(Hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The owner is enabled before the prompt goes, so that the activation returns to it.
    if (ownerEnabled) EnableWindow(owner, TRUE);
    if (Hwnd()) DestroyWindow(Hwnd());
    return m_answer;
}

bool MaskPrompt::OnCreate() {
    m_font = CreateFormFont(m_dpi);
    for (const ControlLayout& layout : kMaskControls) {
        HWND hwnd = CreateFormControl(layout, Hwnd(), m_dpi, m_font.get());
        if (!hwnd) return false;
        if (layout.id == kMaskOk) SendMessageW(hwnd, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    }
    return true;
}

// The same prompt, laid out again at the new DPI: its font and controls, then the suggested rectangle.
void MaskPrompt::OnDpiChanged(int dpi, const RECT& suggested) {
    if (dpi == m_dpi || dpi <= 0) return;
    m_dpi = dpi;
    RelayoutPlainForm(
        Hwnd(), kMaskControls, [this](int id) { return GetDlgItem(Hwnd(), id); }, dpi, m_font, suggested);
}

void MaskPrompt::OnOk() {
    const Text mask = WindowText(GetDlgItem(Hwnd(), kMaskCombo));
    const Text problem = NameMaskProblem(mask);
    if (!problem.empty()) {
        ShowMessageBox(Hwnd(), problem, MessageIcon::Exclamation);
        if (!Hwnd()) return;
        HWND combo = GetDlgItem(Hwnd(), kMaskCombo);
        SetFocus(combo);
        SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
        return;
    }
    m_answer = mask;
    m_done = true;
}

LRESULT MaskPrompt::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate() ? 0 : -1;
        case WM_DPICHANGED: {
            const DpiChange change = DecodeDpiChanged(wParam, lParam);
            OnDpiChanged(change.dpi, change.suggested);
            return 0;
        }
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                if (LOWORD(wParam) == IDOK) OnOk();
                if (LOWORD(wParam) == IDCANCEL) m_done = true;
            }
            return 0;
        case WM_CLOSE:
            m_done = true;
            return 0;
        case WM_DESTROY:
            m_skinner.DetachSkin(Hwnd());
            m_done = true;
            return 0;
        default:
            return DefaultProc(msg, wParam, lParam);
    }
}

}  // namespace ferrik
