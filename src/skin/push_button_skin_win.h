#pragma once
// The push button's handlers: four pre-drawn faces, a corner-clipped region and the fade between
// the faces.
#include <optional>

#include "skin/skin_faces_win.h"
#include "skin/skinned_window_win.h"

namespace ferrik::MSkinner {

class PushButtonSkin final : public SkinnedWindow {
public:
    using SkinnedWindow::SkinnedWindow;

    LRESULT Handle(const Message& m) override;
    void OnAttach() override;
    void OnDetach() override;
    void OnSize() override;
    void OnFocusChange() override;
    void OnEnable(bool enabled) override;
    bool PaintsWhole() const override;
    void OnPaint(HDC paintDc) override;
    void OnKey(UINT key, bool down) override;
    void OnTimer() override;
    void OnMouseMove(int x, int y, bool leftDown) override;
    void OnLeftButtonDown(int x, int y) override;
    void OnLeftButtonUp() override;
    void OnLeave() override;

    // The face of "OLDSTATE" blended at "ALPHALEVEL" onto `dc`, or the window's own DC when 0.
    void BlendButtonFace(HDC dc);
    // The fade timer's id (the running one when there is one).
    UINT_PTR StartFade();
    void StopFade();
    // One tick: one blend, the level advanced.
    void FadeStep();

private:
    class StateChange;
    void OnPropWritten(SkinProp prop, std::intptr_t value) override;
    void SetFace(skin::FaceState state) { WriteProp(SkinProp::OldState, static_cast<std::intptr_t>(state)); }
    // Left button or space down: the pressed face at once, the next fade from level 0.
    void ShowPressed();
    void ClipCorners();

    std::optional<ButtonFaces> m_faces;
    std::optional<RunningFade> m_fade;
    int m_stateChanges = 0;  // state-change messages being handled (they nest)
};

// The fade routines by window handle; nothing for a window that is not a skinned push button.
void BlendButtonFace(HWND hWnd, HDC dc = nullptr);
UINT_PTR StartFade(HWND hWnd);
void StopFade(HWND hWnd);

}  // namespace ferrik::MSkinner
