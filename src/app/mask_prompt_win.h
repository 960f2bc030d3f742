#pragma once
// The prompt of 按名称选择...: a small modal form of ours (skinned like the others) with the name
// mask box, a hint of the wildcard syntax, OK and Cancel.
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "common/text.h"
#include "forms/form_window_win.h"
#include "skin/skinner_win.h"

namespace ferrik {

class MaskPrompt final : public FormWindow<MaskPrompt> {
public:
    MaskPrompt();
    ~MaskPrompt();

    // Shows the prompt over `owner` (disabled meanwhile), the masks of `history` in its list and the
    // first as its text, and returns the mask taken with OK. A mask with a problem
    // (NameMaskProblem) is explained in a message box and the prompt stays. Nothing for Cancel,
    // Escape, closing the prompt, `abandon` turning true (the owner is closing) or the program's end.
    std::optional<Text> Ask(HWND owner, const std::vector<Text>& history, const std::function<bool()>& abandon);

private:
    friend class Window<MaskPrompt>;
    friend class FormWindow<MaskPrompt>;

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void ControlMade(const ControlLayout& layout, HWND hwnd);
    void OnOk();

    CSkinner m_skinner;
    bool m_done = false;
    std::optional<Text> m_answer;
};

}  // namespace ferrik
