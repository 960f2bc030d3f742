#pragma once
// The window of tesselbutton: a child window of class "tesselbutton" that feeds its messages to
// the portable TesselButton and carries out what it asks (repaints, capture, focus moves, the
// popup menu, the tooltip) and paints it with the style routines of button_paint.h.
#include <windows.h>

#include <optional>

#include "common/text.h"
#include "controls/button_accessible.h"
#include "controls/button_accessible_win.h"
#include "controls/button_content_win.h"
#include "controls/button_paint.h"
#include "controls/button_paint_win.h"
#include "controls/property_bag.h"
#include "controls/tesselbutton.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"

namespace ferrik {

inline constexpr wchar_t kTesselButtonClass[] = L"tesselbutton";

// A pointer from the file image of an icon (.ico) or cursor (.cur), its first image; null for
// anything else, a truncated file included.
UniqueCursor CursorFromFileImage(const std::vector<std::uint8_t>& bytes);

class TesselButtonWindow final : public Window<TesselButtonWindow>, public ButtonHost {
public:
    // `events` are the container's handlers; Click also goes to the parent as WM_COMMAND BN_CLICKED.
    explicit TesselButtonWindow(ButtonEvents& events);
    ~TesselButtonWindow();

    // Creates the button at a pixel rectangle of `parent` with control id `id`, from stored
    // properties or, without them, as a new instance named `displayName`.
    bool Create(HWND parent, int id, const RECT& pixels, const PropertyBag* stored, TextView displayName);

    TesselButton& Button() noexcept { return m_button; }
    // The button object of a window of this class, or null.
    static TesselButtonWindow* FromHandle(HWND hwnd) noexcept;

    // The container's font (the ambient font) when its window does not answer WM_GETFONT; set
    // before Create. Null: the parent's WM_GETFONT, else the default GUI font.
    void SetAmbientFont(HFONT font) noexcept { m_ambientFont = font; }
    // The DPI of the button's monitor, by which its font's points become pixels (0: the system's).
    // Set before Create, and again after a DPI change: the font is then made anew.
    void SetDpi(int dpi);

    // The form's default (Enter) and cancel (Escape) button. The default one displays as default
    // while no other tesselbutton of the form has the focus (that one takes Enter then).
    void SetDefault(bool isDefault);
    bool IsDefault() const noexcept { return m_default; }
    void SetCancel(bool isCancel) noexcept { m_cancel = isCancel; }
    bool IsCancel() const noexcept { return m_cancel; }
    const Text& DisplayName() const noexcept { return m_displayName; }

    // Methods of the control.
    void About();
    void OpenWebsite(TextView address);

    // Made at creation: the picture effects' channel tables; the platform is NT-based (Unicode
    // text and tooltip messages).
    const EffectTables& Effects() const noexcept { return m_effects; }
    bool IsNt() const noexcept { return m_nt; }
    HMODULE ShellLibrary() const noexcept { return m_shell.get(); }
    // The container's own tooltip text for the button: empty while it is shown.
    const Text& ContainerToolTip() const noexcept { return m_containerToolTip; }
    // The form's tooltip window for its controls (tooltips_class32), or null: the container's
    // tooltip text for the button becomes a tool of it.
    void SetContainerTooltips(HWND tooltips);
    HCURSOR MouseCursor() const noexcept { return m_iconCursor.get(); }

    int RepaintCount() const noexcept { return m_repaints; }
    // What the next repaint draws, and the whole repaint of a look onto `dc` (cleared to the face
    // colour, drawn off-screen, copied in one transfer). Redraw paints CurrentLook().
    ButtonLook CurrentLook() const;
    void PaintLook(HDC dc, const ButtonLook& look);
    // Caption, picture and drop-down rectangles of the last repaint.
    const ButtonContentRects& ContentRects() const noexcept { return m_content; }
    std::optional<char16_t> AccessKey() const noexcept { return m_accessKey; }
    HWND Tooltip() const noexcept { return m_tooltip.get(); }

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnFinalDestroy();

    // ButtonHost
    std::optional<std::uint32_t> SysColor(int index) const override;
    Text AmbientDisplayName() const override { return m_displayName; }
    ButtonFont AmbientFont() const override;
    bool AmbientDisplayAsDefault() const override;
    void SetContainerToolTip(TextView text) override;
    void SetMouseIcon(const std::optional<Picture>& icon) override;
    void ShowMessageBox(TextView text, TextView title) override;
    void Redraw() override;
    void BuildRegion() override;
    void ResizeHandling() override;
    bool IsAppThemed() const override;
    // Whether the application is visually themed is asked of the system once per process; a test
    // can decide it instead.
    static void SetAppThemed(std::optional<bool> themed) noexcept;  // nullopt: ask the system
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetWindowEnabled(bool enabled) override;
    void SetMousePointer(std::int32_t pointer) override { m_pointer = pointer; }
    void AdoptFont(const ButtonFont& font) override;
    void SetHostTextColor(OleColor colour) override { m_textColor = colour; }
    bool LoadHandCursor() override;
    void ShowHandCursor() override;
    void SetAccessKey(std::optional<char16_t> key) override { m_accessKey = key; }
    void RememberParent() override;
    void InstallHooks() override;
    bool CursorOverSelf() const override;
    void TrackMouseLeave() override;
    bool HasCapture() const override;
    void CaptureMouse() override;
    void ReleaseMouse() override;
    void FocusPrevious() override;
    void FocusNext() override;
    void PumpEvents() override;
    void ShowTooltip() override;
    bool IsMenu(MenuHandle menu) const override;
    void ShowPopupMenu(MenuHandle menu, int x, int y, std::uint32_t flags, MenuHandle defaultItem) override;
    std::vector<TesselButton*> ButtonsInContainer() override;

private:
    // Forwards the events and sends Click on to the parent as a button notification.
    class Events final : public ButtonEvents {
    public:
        Events(TesselButtonWindow& owner, ButtonEvents& target) : m_owner(owner), m_target(target) {}
        void Click() override;
        void DblClick() override { m_target.DblClick(); }
        void MouseEnter() override { m_target.MouseEnter(); }
        void MouseLeave() override { m_target.MouseLeave(); }
        void MouseMove(int b, int s, float x, float y) override { m_target.MouseMove(b, s, x, y); }
        void MouseDown(int b, int s, float x, float y) override { m_target.MouseDown(b, s, x, y); }
        void MouseUp(int b, int s, float x, float y) override { m_target.MouseUp(b, s, x, y); }
        void KeyDown(int k, int s) override { m_target.KeyDown(k, s); }
        void KeyUp(int k, int s) override { m_target.KeyUp(k, s); }
        void KeyPress(int c) override { m_target.KeyPress(c); }

    private:
        TesselButtonWindow& m_owner;
        ButtonEvents& m_target;
    };

    // WM_GETOBJECT: the button's own accessible object for OBJID_CLIENT, made on first request.
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);
    // Tells accessibility clients of a changed name or state (NotifyWinEvent).
    void AnnounceChanges();

    static LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR ref) noexcept;
    void RemoveHooks();
    void HookWindow(HWND hwnd);
    void RefreshFormDefault();
    void MoveFocus(bool previous);

    Events m_events;
    TesselButton m_button;
    Text m_displayName;
    int m_repaints = 0;
    ButtonContentRects m_content{};
    ButtonPaintCache m_paint;
    HDC m_paintDc = nullptr;  // borrowed from the PaintDc while WM_PAINT draws
    UniqueGdi<HFONT> m_font;
    OleColor m_textColor = 0;
    std::int32_t m_pointer = 0;
    HCURSOR m_hand = nullptr;
    std::optional<char16_t> m_accessKey;
    HWND m_activationWindow = nullptr;  // the form: top-level or an MDI child
    HWND m_hookedRoot = nullptr;        // the top-level window: system colours and theme
    bool m_default = false;
    bool m_cancel = false;
    EffectTables m_effects{};
    bool m_nt = true;
    UniqueModule m_shell;
    Text m_containerToolTip;
    HWND m_containerTips = nullptr;
    HFONT m_ambientFont = nullptr;
    UniqueCursor m_iconCursor;
    UniqueWindow m_tooltip;
    bool m_sizing = false;
    int m_dpi = 0;
    ButtonAccessibleOwner m_accessible;
    std::optional<ButtonAccessibleFacts> m_announced;
};

}  // namespace ferrik
