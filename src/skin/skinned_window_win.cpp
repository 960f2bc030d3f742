#include "skin/skinned_window_win.h"

#include <commctrl.h>

#include "skin/skin_attach_win.h"
#include "skin/skin_painters_win.h"
#include "skin/skin_routes_win.h"

namespace ferrik::MSkinner {

namespace {

LPCWSTR PropName(SkinProp prop) {
    return reinterpret_cast<LPCWSTR>(skin::NameOf(prop));
}

}  // namespace

std::intptr_t ReadProp(HWND hwnd, SkinProp prop) {
    return reinterpret_cast<std::intptr_t>(GetPropW(hwnd, PropName(prop)));
}

void SkinnedWindow::WriteProp(SkinProp prop, std::intptr_t value) {
    SetPropW(m_hwnd, PropName(prop), reinterpret_cast<HANDLE>(value));
    OnPropWritten(prop, value);
}

void SkinnedWindow::DropProp(SkinProp prop) {
    RemovePropW(m_hwnd, PropName(prop));
    OnPropWritten(prop, 0);
}

LRESULT SkinnedWindow::Handle(const Message& m) {
    return RouteMessage(*this, m);
}

void SkinnedWindow::OnAttach() {
    for (SkinProp prop : skin::PropsOfKind(m_kind)) WriteProp(prop, skin::RowOf(prop).initial);
}

void SkinnedWindow::OnDetach() {
    for (SkinProp prop : skin::PropsOfKind(m_kind)) DropProp(prop);
}

void SkinnedWindow::OnFramePainted() {
    if (GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) FlattenBorder(m_hwnd);
}

void SkinnedWindow::RequestLeave() {
    if (Prop(SkinProp::MouseFlag) != 0) return;
    WriteProp(SkinProp::MouseFlag, 1);
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_hwnd, 0};
    if (User32Tracking())
        TrackMouseEvent(&track);
    else
        _TrackMouseEvent(&track);
}

}  // namespace ferrik::MSkinner
