#pragma once
// A tesselbutton's window and container for host tests: system colours, ambient values and one
// log of what the button asked of its window and which events it raised.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "controls/tesselbutton.h"

namespace ferrik::test {

// Measured values of one system, distinct enough that a wrong index shows.
inline constexpr std::uint32_t kFakeBtnFace = 0xD8E9EC;
inline constexpr std::uint32_t kFakeBtnText = 0x102030;
inline constexpr std::uint32_t kFakeInfoBk = 0xE1FFFF;

// The events a button raises, in one line: "MouseDown Click MouseUp".
class EventLog : public ButtonEvents {
public:
    void Click() override { Log("Click"); }
    void DblClick() override { Log("DblClick"); }
    void MouseEnter() override { Log("MouseEnter"); }
    void MouseLeave() override { Log("MouseLeave"); }
    void MouseDown(int, int, float, float) override { Log("MouseDown"); }
    void MouseUp(int, int, float, float) override { Log("MouseUp"); }
    void KeyDown(int, int) override { Log("KeyDown"); }
    void KeyUp(int, int) override { Log("KeyUp"); }
    void KeyPress(int) override { Log("KeyPress"); }

    void Log(const std::string& what) {
        if (!log.empty()) log += ' ';
        log += what;
    }

    std::string log;
};

class FakeButtonHost final : public ButtonHost, public EventLog {
public:
    std::optional<std::uint32_t> SysColor(int index) const override {
        switch (index) {
            case 12:
                return 0xABABAB;
            case 15:
                return kFakeBtnFace;
            case 17:
                return 0x6D6D6D;
            case 18:
                return kFakeBtnText;
            case 24:
                return kFakeInfoBk;
            default:
                return std::nullopt;
        }
    }
    Text AmbientDisplayName() const override { return u"tesselbutton1"; }
    ButtonFont AmbientFont() const override { return ButtonFont{u"宋体", 90000, 400, false, false, false, 134}; }
    bool AmbientDisplayAsDefault() const override { return displayAsDefault; }
    void PropertyChanged(std::string_view name) override { notified.emplace_back(name); }

    void Redraw() override { ++repaints; }
    void BuildRegion() override { ++regions; }
    void ResizeHandling() override { ++resizes; }
    bool IsAppThemed() const override { return themed; }
    int ClientWidth() const override { return 80; }
    int ClientHeight() const override { return 24; }
    void SetWindowEnabled(bool enabled) override { windowEnabled = enabled; }
    void SetMousePointer(std::int32_t p) override { pointer = p; }
    void SetAccessKey(std::optional<char16_t> key) override { accessKey = key; }
    void SetMouseIcon(const std::optional<Picture>&) override {}
    void AdoptFont(const ButtonFont&) override {}
    void SetHostTextColor(OleColor) override {}
    bool LoadHandCursor() override { return true; }
    void ShowHandCursor() override {}
    void TrackMouseLeave() override {}
    void PumpEvents() override {}

    bool CursorOverSelf() const override { return cursorOver; }
    bool HasCapture() const override { return captured; }
    void CaptureMouse() override { captured = true; }
    void ReleaseMouse() override { captured = false; }
    void FocusPrevious() override { Log("Prev"); }
    void FocusNext() override { Log("Next"); }
    void ShowTooltip() override { Log("Tip"); }
    bool IsMenu(MenuHandle menu) const override { return menu == kMenu; }
    void ShowPopupMenu(MenuHandle, int x, int y, std::uint32_t flags, MenuHandle) override {
        Log("Menu(" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(flags) + ")");
        if (duringMenu) duringMenu();
    }
    void SetContainerToolTip(TextView text) override { containerTip = Text(text); }
    void ShowMessageBox(TextView text, TextView title) override { messages.push_back(Text(title) + u"|" + Text(text)); }
    std::vector<TesselButton*> ButtonsInContainer() override { return group ? *group : std::vector<TesselButton*>{}; }

    std::vector<std::string> notified;
    std::optional<Text> containerTip;  // nothing until the button sets it
    std::vector<Text> messages;        // "title|text"
    int repaints = 0;
    int regions = 0;
    int resizes = 0;
    bool themed = true;
    bool displayAsDefault = false;
    bool windowEnabled = true;
    std::int32_t pointer = -1;
    std::optional<char16_t> accessKey;
    bool cursorOver = false;
    bool captured = false;
    std::function<void()> duringMenu;
    std::vector<TesselButton*>* group = nullptr;
    static constexpr MenuHandle kMenu = 0x1234;  // the one handle that is a menu
};

}  // namespace ferrik::test
