#include "skin/push_button_skin_win.h"

#include "skin/skin_attach_win.h"
#include "skin/skin_painters_win.h"

namespace ferrik::MSkinner {

namespace {

using skin::FaceState;

// Common controls 6 repaint a push button themselves when its state changes (hover, press,
// release, leave, focus, enabling), at once or through its update region. The skin draws the
// faces itself, and a repaint of the control's own making must neither cut the fade nor leave a
// WM_PAINT behind that does: while such a message is handled, a nested WM_PAINT only shows the
// current face, and what the control's handling invalidated is validated again.
bool ChangesControlState(UINT msg) {
    switch (msg) {
        case WM_ENABLE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_MOUSEMOVE:
        case WM_MOUSEHOVER:
        case WM_MOUSELEAVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_CAPTURECHANGED:
        case BM_SETSTATE:
            return true;
        default:
            return false;
    }
}

bool UnderCursor(HWND hWnd) {
    POINT pt{};
    GetCursorPos(&pt);
    return WindowFromPoint(pt) == hWnd;
}

}  // namespace

class PushButtonSkin::StateChange {
public:
    explicit StateChange(PushButtonSkin& button)
        : m_button(button), m_pending(GetUpdateRect(button.Hwnd(), nullptr, FALSE) != FALSE) {
        ++m_button.m_stateChanges;
    }
    ~StateChange() {
        --m_button.m_stateChanges;
        if (!m_pending && IsWindow(m_button.Hwnd())) ValidateRect(m_button.Hwnd(), nullptr);
    }
    StateChange(const StateChange&) = delete;
    StateChange& operator=(const StateChange&) = delete;

private:
    PushButtonSkin& m_button;
    bool m_pending;  // a repaint was due before: it stays due
};

LRESULT PushButtonSkin::Handle(const Message& m) {
    if (!ChangesControlState(m.id)) return SkinnedWindow::Handle(m);
    StateChange change(*this);
    return SkinnedWindow::Handle(m);
}

void PushButtonSkin::OnAttach() {
    {
        WindowDc dc(Hwnd(), WindowDc::Whole);
        m_faces.emplace(dc.get(), WindowExtent(Hwnd()));
        for (int i = 0; i < skin::kFaceCount; ++i) {
            WriteProp(skin::SurfaceOf(i), reinterpret_cast<std::intptr_t>(m_faces->Surface(i)));
            WriteProp(skin::BitmapOf(i), reinterpret_cast<std::intptr_t>(m_faces->Bitmap(i)));
        }
        m_faces->Render(Hwnd());
    }
    const auto style = static_cast<std::uint32_t>(GetWindowLongPtrW(Hwnd(), GWL_STYLE));
    if (skin::IsPaintedButtonStyle(style)) SendMessageW(Hwnd(), BM_SETSTYLE, BS_OWNERDRAW, TRUE);
    WriteProp(SkinProp::OldStyle, static_cast<std::intptr_t>(style));
    WriteProp(SkinProp::MouseFlag, 0);
    WriteProp(SkinProp::TimerId, 0);
    SetFace(IsWindowEnabled(Hwnd()) ? FaceState::Normal : FaceState::Disabled);
    WriteProp(SkinProp::AlphaLevel, skin::kFadeFromStart);
    ClipCorners();
}

void PushButtonSkin::OnDetach() {
    for (int i = 0; i < skin::kFaceCount; ++i) {
        DropProp(skin::SurfaceOf(i));
        DropProp(skin::BitmapOf(i));
    }
    StopFade();
    m_faces.reset();
    SetWindowLongPtrW(Hwnd(), GWL_STYLE, Prop(SkinProp::OldStyle));
    for (SkinProp prop :
         {SkinProp::OldStyle, SkinProp::MouseFlag, SkinProp::TimerId, SkinProp::OldState, SkinProp::AlphaLevel})
        DropProp(prop);
    SetWindowRgn(Hwnd(), nullptr, TRUE);
}

void PushButtonSkin::ClipCorners() {
    const SIZE size = WindowExtent(Hwnd());
    // The system owns the region once SetWindowRgn succeeds.
    UniqueGdi<HRGN> region(CreateRoundRectRgn(0, 0, size.cx + 1, size.cy + 1, 3, 3));
    if (region && SetWindowRgn(Hwnd(), region.get(), TRUE)) static_cast<void>(region.release());
}

// New bitmaps of the new size in the same state surfaces, faces and region again.
void PushButtonSkin::OnSize() {
    m_fade.reset();
    if (m_faces) {
        WindowDc dc(Hwnd(), WindowDc::Whole);
        const SIZE size = WindowExtent(Hwnd());
        for (int i = 0; i < skin::kFaceCount; ++i)
            if (m_faces->Resize(i, dc.get(), size))
                WriteProp(skin::BitmapOf(i), reinterpret_cast<std::intptr_t>(m_faces->Bitmap(i)));
        m_faces->Render(Hwnd());
    }
    ClipCorners();
}

void PushButtonSkin::OnFocusChange() {
    if (m_faces) m_faces->Render(Hwnd());  // the focus rectangle on the faces, or off them
    WriteProp(SkinProp::AlphaLevel, skin::kFadeFromStart);
    StartFade();
}

void PushButtonSkin::OnEnable(bool enabled) {
    SetFace(enabled ? FaceState::Normal : FaceState::Disabled);
    BlendButtonFace(nullptr);
}

bool PushButtonSkin::PaintsWhole() const {
    return skin::IsPaintedButtonStyle(static_cast<std::uint32_t>(Prop(SkinProp::OldStyle)));
}

void PushButtonSkin::OnPaint(HDC paintDc) {
    // The control's own repaint in a state change only shows the current face: the fade goes on.
    if (m_stateChanges == 0) {
        StopFade();
        WriteProp(SkinProp::AlphaLevel, skin::kFullFace);
    }
    BlendButtonFace(paintDc);
}

void PushButtonSkin::ShowPressed() {
    StopFade();
    SetFace(FaceState::Pressed);
    WriteProp(SkinProp::AlphaLevel, skin::kFullFace);
    BlendButtonFace(nullptr);
    WriteProp(SkinProp::AlphaLevel, skin::kFadeFromStart);
}

void PushButtonSkin::OnKey(UINT key, bool down) {
    if (key != VK_SPACE) return;
    if (down) {
        ShowPressed();
        return;
    }
    WriteProp(SkinProp::MouseFlag, 0);
    WriteProp(SkinProp::AlphaLevel, skin::kFadeFromStart);
    SetFace(FaceState::Normal);
    StartFade();
}

void PushButtonSkin::OnTimer() {
    FadeStep();
}

void PushButtonSkin::OnMouseMove(int, int, bool) {
    if (Prop(SkinProp::MouseFlag) == 0) {
        // The flag is set by the request itself: setting it first would leave the leave
        // notification unrequested and the button hot for good.
        RequestLeave();
        SetFace(FaceState::Hot);
        WriteProp(SkinProp::AlphaLevel, skin::kFadeFromStart);
        StartFade();
    } else if (!UnderCursor(Hwnd())) {
        // Held down and dragged off: the current face at once.
        StopFade();
        WriteProp(SkinProp::AlphaLevel, skin::kFullFace);
        BlendButtonFace(nullptr);
    }
}

void PushButtonSkin::OnLeftButtonDown(int, int) {
    ShowPressed();
}

void PushButtonSkin::OnLeftButtonUp() {
    WriteProp(SkinProp::MouseFlag, 0);
    SetFace(FaceState::Normal);
    WriteProp(SkinProp::AlphaLevel, skin::kFadeAfterRelease);
    StartFade();
}

void PushButtonSkin::OnLeave() {
    WriteProp(SkinProp::MouseFlag, 0);
    SetFace(FaceState::Hot);
    WriteProp(SkinProp::AlphaLevel, skin::kLeaveBlendLevel);
    BlendButtonFace(nullptr);
    SetFace(FaceState::Normal);
    WriteProp(SkinProp::AlphaLevel, skin::kFadeFromStart);
    StartFade();
}

void PushButtonSkin::OnPropWritten(SkinProp prop, std::intptr_t value) {
    if (!m_fade) return;
    if (prop == SkinProp::OldState) m_fade->state = value;
    if (prop == SkinProp::AlphaLevel) m_fade->level = value;
}

void PushButtonSkin::BlendButtonFace(HDC dc) {
    if (!IsWindowEnabled(Hwnd())) SetFace(FaceState::Disabled);
    if (!dc && m_fade) {
        m_fade->Blend();
        return;
    }
    if (!PaintsWhole() || !m_faces) return;
    const std::intptr_t state = Prop(SkinProp::OldState);
    if (state < 0 || state >= skin::kFaceCount) return;
    HDC face = m_faces->Surface(static_cast<int>(state));
    if (!face) return;
    const SIZE size = WindowExtent(Hwnd());
    const std::intptr_t level = Prop(SkinProp::AlphaLevel);
    if (dc) {
        BlendFace(dc, face, size, level);
    } else {
        WindowDc own(Hwnd(), WindowDc::Whole);
        BlendFace(own.get(), face, size, level);
    }
}

UINT_PTR PushButtonSkin::StartFade() {
    const auto running = static_cast<UINT_PTR>(Prop(SkinProp::TimerId));
    if (running) return running;
    const UINT_PTR id = SetTimer(Hwnd(), skin::kFadeTimerId, skin::kFadeIntervalMs, nullptr);
    WriteProp(SkinProp::TimerId, static_cast<std::intptr_t>(id));
    return id;
}

void PushButtonSkin::StopFade() {
    m_fade.reset();
    const auto running = static_cast<UINT_PTR>(Prop(SkinProp::TimerId));
    if (!running) return;
    KillTimer(Hwnd(), running);
    WriteProp(SkinProp::TimerId, 0);
}

// A running fade reads nothing from the button after its first step; a stray WM_TIMER to a
// button whose fade is not running blends as BlendButtonFace does.
void PushButtonSkin::FadeStep() {
    if (!m_fade && m_faces && Prop(SkinProp::TimerId) != 0)
        m_fade.emplace(Hwnd(), *m_faces, PaintsWhole(), Prop(SkinProp::OldState), Prop(SkinProp::AlphaLevel));
    const std::intptr_t level = m_fade ? m_fade->level : Prop(SkinProp::AlphaLevel);
    const skin::FadeStepResult step = skin::FadeStep(static_cast<int>(level));
    BlendButtonFace(nullptr);
    if (step.stop) StopFade();
    WriteProp(SkinProp::AlphaLevel, step.nextLevel);
}

namespace {

PushButtonSkin* PushButtonOf(const std::shared_ptr<SkinnedWindow>& window) {
    return window && window->Kind() == WindowKind::PushButton ? static_cast<PushButtonSkin*>(window.get()) : nullptr;
}

}  // namespace

void BlendButtonFace(HWND hWnd, HDC dc) {
    const auto window = SkinnedWindowOf(hWnd);
    if (PushButtonSkin* button = PushButtonOf(window)) button->BlendButtonFace(dc);
}

UINT_PTR StartFade(HWND hWnd) {
    const auto window = SkinnedWindowOf(hWnd);
    PushButtonSkin* button = PushButtonOf(window);
    return button ? button->StartFade() : 0;
}

void StopFade(HWND hWnd) {
    const auto window = SkinnedWindowOf(hWnd);
    if (PushButtonSkin* button = PushButtonOf(window)) button->StopFade();
}

}  // namespace ferrik::MSkinner
