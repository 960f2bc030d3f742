#pragma once
// ListView1 as a view of the task list: an owner-data list view that holds only the row count,
// selection and focus, and asks for texts and check boxes when it draws. It takes the list's own
// input (check clicks, the space bar, Ctrl+A, Ctrl+C, type-ahead, the right button) and follows
// the model's changes. A click on a column header sorts the rows by that column (the model's
// SortRows), the header showing the direction; a busy (disabled) list is not sorted.
#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "tasks/task_list.h"

namespace ferrik {

class TaskListView final : private TaskListObserver {
public:
    // The owner's timer that syncs the list once rows stop arriving: its WM_TIMER goes to
    // OnTimer.
    static constexpr UINT_PTR kSyncTimer = 1;

    // `showMenu` opens the list menu at a screen point (a right click over an enabled list).
    TaskListView(TaskList& tasks, std::function<void(POINT)> showMenu);
    ~TaskListView() override;
    TaskListView(const TaskListView&) = delete;
    TaskListView& operator=(const TaskListView&) = delete;

    // Takes over `list`, a child of `owner`: its styles, its columns at `dpi`, its input.
    void Attach(HWND owner, HWND list, int dpi);
    HWND Hwnd() const { return m_list; }
    // The column widths and check boxes for the owner's new DPI.
    void OnDpiChanged(int oldDpi, int dpi);

    // The model's rows in the order the list shows them: row i of the list is Rows()[i]. Only
    // the rows the list has been told of.
    std::vector<std::size_t> Rows() const;
    // The model row shown as list item `item`; none for an item not shown.
    std::optional<std::size_t> RowAt(int item) const;
    // Gives the list every row and the header now.
    void Sync();
    // Sync, then every visible row drawn again from the model.
    void Redraw();
    // The owner's WM_TIMER; true when it was this view's.
    bool OnTimer(UINT_PTR id);
    // The owner's WM_NOTIFY from the list.
    LRESULT OnNotify(const NMHDR& header);

private:
    // TaskListObserver
    void OnRowAdded(std::size_t index) override;
    void OnRowsCleared() override;
    void OnRowChanged(std::size_t index) override;
    void OnRowsChanged(const std::vector<std::size_t>& rows) override;
    void OnHeaderChanged(TextView header) override;
    void OnRowsReordered(const std::vector<std::size_t>& previous) override;

    void SetupColumns(int dpi);
    // The count and the header follow the model at most every kSyncMs while rows arrive (and at
    // once for the first row, at the end of an operation and before anyone reads the control),
    // so the cost of a row does not depend on the control's repainting.
    void Changed();
    std::size_t Shown() const;  // the rows both in the model and in the list
    void OnDisplayInfo(NMHDR& info) const;    // LVN_GETDISPINFOW
    int OnFindItem(const NMHDR& find) const;  // LVN_ODFINDITEMW
    void ToggleRow(int item);
    void OnColumnClick(int column);
    // The sort mark (HDF_SORTUP, HDF_SORTDOWN) on the column the rows are in the order of, if any.
    void ShowOrder();

    static LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;
    void OnRightButton(LPARAM lParam) noexcept;
    bool OnInput(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    std::vector<int> SelectedItems() const;
    void CopySelectedAddresses();

    TaskList& m_tasks;
    std::function<void(POINT)> m_showMenu;
    HWND m_owner = nullptr;
    HWND m_list = nullptr;
    std::size_t m_shown = 0;  // the row count the list view has
    bool m_pending = false;   // rows or header not yet given to the list view
    bool m_timer = false;     // kSyncTimer runs
    ULONGLONG m_syncedAt = 0;
    Text m_header;  // the first column's header as shown
    std::optional<TaskOrder> m_orderShown;
};

}  // namespace ferrik
