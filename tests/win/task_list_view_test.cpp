// The task-list view on its own: a bare owner window and an owner-data list view, with the model
// driven directly. What the main window's list does for the user is tested with the main window.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/task_list_view_win.h"

namespace ferrik {
namespace {

TaskListView* g_view = nullptr;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY && g_view) return g_view->OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    if (msg == WM_TIMER && g_view && g_view->OnTimer(wParam)) return 0;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class TaskListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TaskListViewTestOwner";
        RegisterClassW(&wc);
        owner = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 400, nullptr,
                                nullptr, wc.hInstance, nullptr);
        list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA, 0, 0, 580,
                               360, owner, nullptr, wc.hInstance, nullptr);
        g_view = &view;
        view.Attach(owner, list, 96);
    }
    void TearDown() override {
        DestroyWindow(owner);
        g_view = nullptr;
    }
    void Add(const char16_t* name) {
        const Text address = Text(u"http://site/") + name;
        tasks.AddTask(name, address, u"SS1", u"", address);
    }
    std::wstring Cell(int item, int column) {
        wchar_t text[64] = {};
        ListView_GetItemText(list, item, column, text, 64);
        return text;
    }

    TaskList tasks;
    TaskListView view{tasks, nullptr};
    HWND owner = nullptr;
    HWND list = nullptr;
};

TEST_F(TaskListViewTest, RowsInTheOrderShownAndOnlyThoseShown) {
    EXPECT_TRUE(view.Rows().empty());
    Add(u"a");
    Add(u"b");
    Add(u"c");
    view.Sync();
    EXPECT_EQ(view.Rows(), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_EQ(Cell(2, 0), L"c");
    EXPECT_EQ(Cell(2, 1), L"http://site/c");
    struct Case {
        int item;
        std::optional<std::size_t> row;
    };
    for (const Case& c : {Case{-1, std::nullopt}, Case{0, 0}, Case{2, 2}, Case{3, std::nullopt}})
        EXPECT_EQ(view.RowAt(c.item), c.row) << c.item;
    tasks.ClearTasks();
    EXPECT_TRUE(view.Rows().empty());
    EXPECT_EQ(view.RowAt(0), std::nullopt);
    EXPECT_EQ(ListView_GetItemCount(list), 0);
}

TEST_F(TaskListViewTest, RedrawShowsEveryRowAndHeaderAndRepaintsTheList) {
    Add(u"a");
    Add(u"b");
    view.Redraw();
    UpdateWindow(list);
    RECT dirty{};
    EXPECT_FALSE(GetUpdateRect(list, &dirty, FALSE));
    view.Redraw();
    EXPECT_TRUE(GetUpdateRect(list, &dirty, FALSE));
    EXPECT_EQ(view.Rows().size(), 2u);
    wchar_t header[32] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = header;
    column.cchTextMax = 32;
    ListView_GetColumn(list, 0, &column);
    EXPECT_STREQ(header, L"名称(2)");
    EXPECT_FALSE(view.OnTimer(7));  // another timer of the owner
}

TEST_F(TaskListViewTest, ListGoneFirstLeavesTheViewWithoutIt) {
    Add(u"a");
    DestroyWindow(list);
    EXPECT_EQ(view.Hwnd(), nullptr);
    Add(u"b");
    tasks.SetChecked(0, true);
    view.Redraw();
    tasks.ClearTasks();
    EXPECT_TRUE(view.Rows().empty());
}

}  // namespace
}  // namespace ferrik
