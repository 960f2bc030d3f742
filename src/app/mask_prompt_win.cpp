#include "app/mask_prompt_win.h"

#include "app/choose_by_name.h"
#include "app/prompts_win.h"

namespace ferrik {

MaskPrompt::MaskPrompt()
    : FormWindow(FormShape{kMaskClientWidth, kMaskClientHeight, kDialogFormStyle, kDialogFormExStyle, kMaskControls}) {}

MaskPrompt::~MaskPrompt() {
    if (Hwnd()) DestroyWindow(Hwnd());
}

std::optional<Text> MaskPrompt::Ask(HWND owner, const std::vector<Text>& history,
                                    const std::function<bool()>& abandon) {
    // Laid out for the owner's monitor, where it is shown.
    if (!CreateForm(owner, Text(kMaskPromptCaption))) return std::nullopt;
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

void MaskPrompt::ControlMade(const ControlLayout& layout, HWND hwnd) {
    if (layout.id == kMaskOk) SendMessageW(hwnd, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
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
    if (const auto handled = FormMessage(msg, wParam, lParam)) return *handled;
    switch (msg) {
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
