// The handlers of every window kind but the push button (push_button_skin_win.cpp).
#include "skin/skin_kinds_win.h"

#include <commctrl.h>

#include <vector>

#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "skin/push_button_skin_win.h"
#include "skin/skin_attach_win.h"
#include "skin/skin_geometry.h"
#include "skin/skin_painters_win.h"

namespace ferrik::MSkinner {

namespace {

// The skin state of a pointer over the control: pressed with the left button down, else hot.
int PointerState(bool leftDown) {
    return leftDown ? 2 : 1;
}

bool UnderCursor(HWND hWnd) {
    POINT pt{};
    GetCursorPos(&pt);
    return WindowFromPoint(pt) == hWnd;
}

// Descendants skinned with it; a window it owns or parents skinned as it becomes active.
class FormSkin final : public SkinnedWindow {
public:
    using SkinnedWindow::SkinnedWindow;
    void OnAttach() override {
        for (HWND child : Descendants(Hwnd())) AttachWindow(child);
    }
    void OnDetach() override {
        for (HWND child : Descendants(Hwnd())) DetachWindow(child);
    }
    void OnActivate(HWND other) override {
        if (GetParent(other) != Hwnd()) return;
        FirstUseInit();
        AttachWindow(other);
    }
};

// Combo boxes and drive lists: a flat frame and the skinned drop-down button.
class ComboSkin final : public SkinnedWindow {
public:
    using SkinnedWindow::SkinnedWindow;
    // An editable combo box (bit 0 of its style clear) is drawn whole by the engine.
    bool PaintsWhole() const override { return Editable(); }
    void OnPaint(HDC paintDc) override {
        const SIZE size = WindowExtent(Hwnd());
        UniqueGdi<HBRUSH> white(CreateSolidBrush(kWhite));
        const RECT all{0, 0, size.cx, size.cy};
        FillRect(paintDc, &all, white.get());
        PaintFlatFrame(Hwnd(), paintDc, false);
        PaintComboButton(*this, paintDc, LastState(), true);
    }
    void OnPaintOver() override {
        WindowDc dc(Hwnd(), WindowDc::Whole);
        PaintFlatFrame(Hwnd(), dc.get(), true);
        PaintComboButton(*this, dc.get(), LastState(), true);
    }
    void OnPositionChanging() override { PaintComboButton(*this, nullptr, 0, false); }
    void OnMouseMove(int x, int y, bool leftDown) override {
        RequestLeave();
        const int state = Editable() && !OverButton(x, y) ? 0 : PointerState(leftDown);
        PaintComboButton(*this, nullptr, state, false);
    }
    void OnLeftButtonDown(int x, int y) override {
        if (Editable() && !OverButton(x, y)) return;
        PaintComboButton(*this, nullptr, 2, false);
    }
    void OnLeftButtonUp() override { PaintComboButton(*this, nullptr, UnderCursor(Hwnd()) ? 1 : 0, false); }
    void OnLeave() override {
        WriteProp(SkinProp::MouseFlag, 0);
        PaintComboButton(*this, nullptr, 0, false);
    }

private:
    // Drive lists, simple and drop-down-list combo boxes act as one button.
    bool Editable() const { return Kind() == WindowKind::Combo && !(GetWindowLongPtrW(Hwnd(), GWL_STYLE) & 1); }
    bool OverButton(int x, int y) const {
        const SIZE size = WindowExtent(Hwnd());
        return skin::OverComboButton(x, y, size.cx, size.cy, SystemMetricForDpi(SM_CXVSCROLL, WindowDpi(Hwnd())));
    }
    int LastState() const { return static_cast<int>(Prop(SkinProp::OldState)); }
};

// Check boxes and option buttons: the skinned box or circle over what the control drew.
class BoxSkin final : public SkinnedWindow {
public:
    using SkinnedWindow::SkinnedWindow;
    void OnFocusChange() override {
        if (Kind() == WindowKind::OptionButton) Paint(0, true);
    }
    void OnPaintOver() override { Paint(0, true); }
    void OnKey(UINT key, bool down) override {
        if (key == VK_SPACE) Paint(down ? 2 : 0, false);
    }
    void OnMouseMove(int, int, bool leftDown) override {
        RequestLeave();
        Paint(PointerState(leftDown), true);
    }
    void OnLeftButtonDown(int, int) override { Paint(2, false); }
    void OnLeftButtonUp() override { Paint(0, false); }
    void OnLeave() override {
        WriteProp(SkinProp::MouseFlag, 0);
        Paint(0, false);
    }
    void OnGroupClicked() override { Paint(0, true); }

private:
    void Paint(int state, bool force) {
        if (Kind() == WindowKind::CheckBox)
            PaintCheckBox(*this, state, force);
        else
            PaintOptionButton(*this, state, force);
    }
};

// Headers, drawn whole by the engine: the item under the mouse hot, the one held down pressed.
class HeaderSkin final : public SkinnedWindow {
public:
    using SkinnedWindow::SkinnedWindow;
    bool PaintsWhole() const override { return true; }
    void OnPaint(HDC paintDc) override { PaintHeader(*this, paintDc); }
    void OnMouseMove(int x, int, bool leftDown) override {
        RequestLeave();
        const int item = HitItem(x);
        const int hot = static_cast<int>(Prop(SkinProp::HmIndex));
        const int pressed = static_cast<int>(Prop(SkinProp::HdIndex));
        if (item == hot) return;
        if (hot >= 0 && hot != pressed) PaintHeaderItem(Hwnd(), nullptr, hot, 0);
        if (!leftDown) {
            WriteProp(SkinProp::HmIndex, item);
            PaintHeaderItem(Hwnd(), nullptr, item, 1);
        } else if (item == pressed) {
            PaintHeaderItem(Hwnd(), nullptr, item, 2);
        }
    }
    // A header without items keeps its "HDINDEX".
    void OnPress(int x) override {
        if (SendMessageW(Hwnd(), HDM_GETITEMCOUNT, 0, 0) > 0) WriteProp(SkinProp::HdIndex, HitItem(x));
    }
    void OnRelease() override { WriteProp(SkinProp::HdIndex, -1); }
    void OnLeave() override {
        const int hot = static_cast<int>(Prop(SkinProp::HmIndex));
        WriteProp(SkinProp::MouseFlag, 0);
        WriteProp(SkinProp::HdIndex, -1);
        WriteProp(SkinProp::HmIndex, -1);
        if (hot >= 0) PaintHeaderItem(Hwnd(), nullptr, hot, 0);
    }

private:
    int HitItem(int x) const {
        const int count = static_cast<int>(SendMessageW(Hwnd(), HDM_GETITEMCOUNT, 0, 0));
        std::vector<skin::ItemSpan> items;
        for (int i = 0; i < count; ++i) {
            RECT rc{};
            SendMessageW(Hwnd(), HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rc));
            items.push_back({rc.left, rc.right});
        }
        return skin::HeaderHit(items, x);
    }
};

// Progress bars, frame and bar drawn whole by the engine.
class ProgressSkin final : public SkinnedWindow {
public:
    using SkinnedWindow::SkinnedWindow;
    bool PaintsWhole() const override { return true; }
    void OnPaint(HDC paintDc) override { PaintProgressClient(Hwnd(), paintDc); }
    bool PaintsFrame() const override { return true; }
    void OnNcPaint() override { PaintProgressFrame(Hwnd()); }
};

// Data lists and drop-down lists get a flat frame, a grid with a border its outer line, and
// every other window only its sunken client edge flattened (data lists keep theirs).
class FrameSkin final : public SkinnedWindow {
public:
    FrameSkin(HWND hwnd, WindowKind kind, bool grid) noexcept : SkinnedWindow(hwnd, kind), m_grid(grid) {}
    void OnPaintOver() override {
        if (Kind() == WindowKind::DataList || Kind() == WindowKind::DropList) {
            WindowDc dc(Hwnd(), WindowDc::Whole);
            PaintFlatFrame(Hwnd(), dc.get(), true);
        } else if (m_grid && (GetWindowLongPtrW(Hwnd(), GWL_STYLE) & WS_BORDER)) {
            WindowDc dc(Hwnd(), WindowDc::Whole);
            PaintFlatFrame(Hwnd(), dc.get(), false);
        }
    }
    void OnFramePainted() override {
        if (Kind() != WindowKind::DataList) SkinnedWindow::OnFramePainted();
    }

private:
    bool m_grid;  // an "apexgrid*" class, of kind Other everywhere but here
};

bool IsGridWindow(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 255);
    return skin::IsGridClass(reinterpret_cast<const char16_t*>(name));
}

}  // namespace

std::shared_ptr<SkinnedWindow> MakeSkinnedWindow(HWND hwnd, WindowKind kind) {
    switch (kind) {
        case WindowKind::Form:
            return std::make_shared<FormSkin>(hwnd, kind);
        case WindowKind::PushButton:
            return std::make_shared<PushButtonSkin>(hwnd, kind);
        case WindowKind::Combo:
        case WindowKind::DriveList:
            return std::make_shared<ComboSkin>(hwnd, kind);
        case WindowKind::CheckBox:
        case WindowKind::OptionButton:
            return std::make_shared<BoxSkin>(hwnd, kind);
        case WindowKind::Header:
            return std::make_shared<HeaderSkin>(hwnd, kind);
        case WindowKind::ProgressBar:
            return std::make_shared<ProgressSkin>(hwnd, kind);
        default:
            return std::make_shared<FrameSkin>(hwnd, kind, kind == WindowKind::Other && IsGridWindow(hwnd));
    }
}

}  // namespace ferrik::MSkinner
