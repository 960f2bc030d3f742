#pragma once
// One skinned window: its kind, the procedure it had before skinning, and the handlers of its
// kind. The attachment map holds one from AttachWindow to DetachWindow; a message under way
// keeps it alive beyond that. The window properties stay the truth about the window: they are
// read from the window and written through WriteProp only.
#include <windows.h>

#include <cstdint>

#include "skin/window_props.h"

namespace ferrik::MSkinner {

using skin::SkinProp;
using skin::WindowKind;

struct Message {
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
};

// A skin property of any window; a missing one reads 0.
std::intptr_t ReadProp(HWND hwnd, SkinProp prop);

class SkinnedWindow {
public:
    SkinnedWindow(HWND hwnd, WindowKind kind) noexcept : m_hwnd(hwnd), m_kind(kind) {}
    virtual ~SkinnedWindow() = default;
    SkinnedWindow(const SkinnedWindow&) = delete;
    SkinnedWindow& operator=(const SkinnedWindow&) = delete;

    HWND Hwnd() const noexcept { return m_hwnd; }
    WindowKind Kind() const noexcept { return m_kind; }
    WNDPROC FormerProc() const noexcept { return m_former; }
    // False from DetachWindow on: what a handler does after the window's own procedure is then left out.
    bool Attached() const noexcept { return m_attached; }
    void Installed(WNDPROC former) noexcept {
        m_former = former;
        m_attached = true;
    }
    void Unskinned() noexcept { m_attached = false; }

    std::intptr_t Prop(SkinProp prop) const { return ReadProp(m_hwnd, prop); }
    void WriteProp(SkinProp prop, std::intptr_t value);
    void DropProp(SkinProp prop);

    // The message to the procedure the window had before skinning.
    LRESULT Forward(const Message& m) const { return CallWindowProcW(m_former, m_hwnd, m.id, m.wParam, m.lParam); }

    // One message, by the routing table (skin_routes_win.cpp).
    virtual LRESULT Handle(const Message& m);

    // Skinning and unskinning: by default the kind's properties at their starting values, and away again.
    virtual void OnAttach();
    virtual void OnDetach();

    // The decoded handlers. Each runs after the window's own procedure has handled the message,
    // except those marked "before" (the routing table says which).
    virtual void OnSize() {}
    virtual void OnActivate(HWND /*other*/) {}  // before
    virtual void OnFocusChange() {}
    virtual void OnEnable(bool /*enabled*/) {}
    // WM_PAINT: a window that PaintsWhole() gets OnPaint between BeginPaint and EndPaint instead
    // of its own painting; the others get OnPaintOver after it.
    virtual bool PaintsWhole() const { return false; }
    virtual void OnPaint(HDC /*paintDc*/) {}
    virtual void OnPaintOver() {}
    virtual void OnPositionChanging() {}
    // WM_NCPAINT: the same choice for the frame.
    virtual bool PaintsFrame() const { return false; }
    virtual void OnNcPaint() {}
    virtual void OnFramePainted();  // a sunken client edge becomes a flat frame
    virtual void OnKey(UINT /*key*/, bool /*down*/) {}
    virtual void OnTimer() {}  // before
    virtual void OnMouseMove(int /*x*/, int /*y*/, bool /*leftDown*/) {}
    virtual void OnPress(int /*x*/) {}  // before
    virtual void OnLeftButtonDown(int /*x*/, int /*y*/) {}
    virtual void OnRelease() {}  // before
    virtual void OnLeftButtonUp() {}
    virtual void OnLeave() {}
    // A click elsewhere in the parent may have changed this box: it is drawn again.
    virtual void OnGroupClicked() {}

protected:
    // Asks for one mouse-leave notification per visit ("MOUSEFLAG" 0 -> 1).
    void RequestLeave();
    // A property was just written (a push button's running fade keeps copies of two).
    virtual void OnPropWritten(SkinProp /*prop*/, std::intptr_t /*value*/) {}

private:
    HWND m_hwnd;
    WindowKind m_kind;
    WNDPROC m_former = nullptr;
    bool m_attached = false;
};

}  // namespace ferrik::MSkinner
