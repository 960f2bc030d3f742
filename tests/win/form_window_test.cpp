// The form base on a small form of its own: class, size from twips, centring on the owner, the
// controls of its table (one inside a container), a DPI change, and the text copy for list views.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "forms/form_window_win.h"

namespace ferrik {
namespace {

constexpr ControlLayout kTestControls[] = {
    {11, "Picture1", ControlKind::PictureBox, {150, 150, 3000, 1500}, u""},
    {12, "Label1", ControlKind::Label, {75, 75, 1500, 300}, u"名称", 11},
};

class TestForm final : public FormWindow<TestForm> {
public:
    // 6000 x 3000 twips: 400 x 200 pixels at 96 DPI, 600 x 300 at 144.
    TestForm() : FormWindow(FormShape{6000, 3000, kDialogFormStyle, kDialogFormExStyle, kTestControls}) {}
    using FormWindow::CreateForm;
    std::vector<int> made;

private:
    friend class Window<TestForm>;
    friend class FormWindow<TestForm>;
    void ControlMade(const ControlLayout& layout, HWND) { made.push_back(layout.id); }
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
        if (const auto handled = FormMessage(msg, wParam, lParam)) return *handled;
        return DefaultProc(msg, wParam, lParam);
    }
};

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

TEST(FormWindow, MadeFromItsShapeAndCentredOnItsOwner) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 80, 800, 600, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    TestForm form;
    ASSERT_TRUE(form.CreateForm(owner, Text(u"测试")));
    HWND hwnd = form.Hwnd();
    EXPECT_EQ(ClassOf(hwnd), L"Form");
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), owner);
    RECT client{}, window{};
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &window);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_NEAR((window.left + window.right) / 2, 500, 1);  // the owner's centre
    EXPECT_NEAR((window.top + window.bottom) / 2, 380, 1);
    EXPECT_EQ(form.made, (std::vector<int>{11, 12}));
    HWND label = GetDlgItem(GetDlgItem(hwnd, 11), 12);  // inside its container
    ASSERT_NE(label, nullptr);
    RECT inParent = RectInParent(label);
    EXPECT_EQ(inParent.left, 5);
    EXPECT_EQ(inParent.right - inParent.left, 100);

    // Moved to a monitor of 144 DPI: controls at their twips places there, the window where told.
    const HFONT before = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    RECT suggested{10, 20, 10 + 620, 20 + 340};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(form.Dpi(), 144);
    inParent = RectInParent(label);
    EXPECT_EQ(inParent.left, 8);  // 75 twips at 144 DPI, rounded
    EXPECT_EQ(inParent.right - inParent.left, 150);
    EXPECT_NE(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), before);
    GetWindowRect(hwnd, &window);
    EXPECT_TRUE(EqualRect(&window, &suggested));
    // The same DPI again changes nothing, whatever rectangle comes with it.
    RECT elsewhere{0, 0, 100, 100};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&elsewhere));
    GetWindowRect(hwnd, &window);
    EXPECT_TRUE(EqualRect(&window, &suggested));
    DestroyWindow(hwnd);
    DestroyWindow(owner);
}

TEST(FormWindow, CopyTextCutsToTheBufferAndTerminates) {
    struct Case {
        int capacity;
        std::wstring expected;
    };
    const Case cases[] = {{1, L""}, {2, L"名"}, {3, L"名称"}, {4, L"名称"}, {10, L"名称"}};
    for (const Case& c : cases) {
        wchar_t buffer[10];
        std::fill(std::begin(buffer), std::end(buffer), L'#');
        CopyText(Text(u"名称"), buffer, c.capacity);
        EXPECT_EQ(std::wstring(buffer), c.expected) << c.capacity;
    }
    wchar_t untouched[2] = {L'#', L'\0'};
    CopyText(Text(u"x"), untouched, 0);
    EXPECT_EQ(untouched[0], L'#');
    CopyText(Text(u"x"), nullptr, 5);  // no buffer: nothing written, no crash
}

}  // namespace
}  // namespace ferrik
