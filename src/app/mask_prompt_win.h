#pragma once
// The prompt of 按名称选择...: a small modal form of ours (skinned like the others) with the name
// mask box, a hint of the wildcard syntax, OK and Cancel.
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "common/text.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "skin/skinner_win.h"

namespace ferrik {

class MaskPrompt final : public Window<MaskPrompt> {
public:
    MaskPrompt() = default;
    ~MaskPrompt();

    // Shows the prompt over `owner` (disabled meanwhile), the masks of `history` in its list and the
    // first as its text, and returns the mask taken with OK. A mask with a problem
    // (NameMaskProblem) is explained in a message box and the prompt stays. Nothing for Cancel,
    // Escape, closing the prompt, `abandon` turning true (the owner is closing) or the program's end.
    std::optional<Text> Ask(HWND owner, const std::vector<Text>& history, const std::function<bool()>& abandon);

private:
    friend class Window<MaskPrompt>;

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnDpiChanged(int dpi, const RECT& suggested);
    void OnOk();

    CSkinner m_skinner;
    UniqueGdi<HFONT> m_font;
    int m_dpi = 96;
    bool m_done = false;
    std::optional<Text> m_answer;
};

}  // namespace ferrik
