#include "app/task_list_view_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "app/main_form.h"
#include "forms/form_controls_win.h"
#include "platform/text_win.h"

namespace ferrik {

namespace {

constexpr UINT_PTR kListSubclass = 2;
// While rows arrive the list view gets the new count at least this often.
constexpr ULONGLONG kSyncMs = 100;

// Whether `name` starts with `prefix`, ignoring case as the list view's type-ahead does.
bool StartsWithNoCase(const Text& name, const wchar_t* prefix) {
    const int length = lstrlenW(prefix);
    if (length == 0 || name.size() < static_cast<std::size_t>(length)) return false;
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Wide(name), length, prefix, length) == CSTR_EQUAL;
}

void SetItemState(HWND list, int item, UINT mask, UINT state) {
    LVITEMW lvi{};
    lvi.stateMask = mask;
    lvi.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvi));
}

int HitItem(HWND list, LPARAM lParam, UINT flags, POINT& point) {
    LVHITTESTINFO hit{};
    hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const int item = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    point = hit.pt;
    return item >= 0 && (hit.flags & flags) ? item : -1;
}

}  // namespace

TaskListView::TaskListView(TaskList& tasks, std::function<void(POINT)> showMenu)
    : m_tasks(tasks), m_showMenu(std::move(showMenu)) {
    m_tasks.SetObserver(this);
}

TaskListView::~TaskListView() {
    m_tasks.SetObserver(nullptr);
    if (m_list) RemoveWindowSubclass(m_list, ListProc, kListSubclass);
}

void TaskListView::Attach(HWND owner, HWND list, int dpi) {
    m_owner = owner;
    m_list = list;
    SetWindowSubclass(list, ListProc, kListSubclass, reinterpret_cast<DWORD_PTR>(this));
    const DWORD ex = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    // Several rows can be selected (Ctrl+A, Shift and Ctrl clicks) for Ctrl+C and the space bar.
    SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) & ~LONG_PTR{LVS_SINGLESEL});
    // The check boxes are state images that the list asks for (LVN_GETDISPINFO), as its texts.
    SendMessageW(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    SetupColumns(dpi);
}

void TaskListView::SetupColumns(int dpi) {
    m_header = m_tasks.Header();
    int index = 0;
    for (const ListColumn& column : kTaskColumns) {
        const Text header = index == 0 ? m_header : Text(column.header);
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        lvc.pszText = const_cast<wchar_t*>(Wide(header));
        lvc.cx = TwipsToPixels(column.widthTwips, dpi);
        lvc.iSubItem = index;
        SendMessageW(m_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&lvc));
        ++index;
    }
}

// The columns keep their widths in twips; the list makes its check boxes when the style is set
// and it has no state images: without the old ones and set again, they are made for the new DPI.
void TaskListView::OnDpiChanged(int oldDpi, int dpi) {
    for (int column = 0; column < static_cast<int>(std::size(kTaskColumns)); ++column) {
        const int width = static_cast<int>(SendMessageW(m_list, LVM_GETCOLUMNWIDTH, column, 0));
        SendMessageW(m_list, LVM_SETCOLUMNWIDTH, column, MulDiv(width, dpi, oldDpi));
    }
    SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, 0);
    if (const auto boxes = reinterpret_cast<HIMAGELIST>(SendMessageW(m_list, LVM_SETIMAGELIST, LVSIL_STATE, 0)))
        ImageList_Destroy(boxes);
    SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    SendMessageW(m_list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
}

std::size_t TaskListView::Shown() const {
    return std::min(m_tasks.Count(), m_shown);
}

std::vector<std::size_t> TaskListView::Rows() const {
    std::vector<std::size_t> rows(Shown());
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = i;
    return rows;
}

std::optional<std::size_t> TaskListView::RowAt(int item) const {
    if (item < 0 || static_cast<std::size_t>(item) >= Shown()) return std::nullopt;
    return static_cast<std::size_t>(item);
}

bool TaskListView::OnTimer(UINT_PTR id) {
    if (id != kSyncTimer) return false;
    Sync();
    return true;
}

LRESULT TaskListView::OnNotify(const NMHDR& header) {
    switch (header.code) {
        case LVN_GETDISPINFOW:
            OnDisplayInfo(const_cast<NMHDR&>(header));
            return 0;
        case LVN_ODFINDITEMW:
            return OnFindItem(header);
        case LVN_COLUMNCLICK:
            OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return 0;
        default:
            return 0;
    }
}

void TaskListView::OnDisplayInfo(NMHDR& header) const {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
    const std::optional<std::size_t> shown = RowAt(item.iItem);
    if (!shown) return;
    const TaskRow& row = m_tasks.At(*shown);
    if (item.mask & LVIF_TEXT) {
        static constexpr Text TaskRow::*kColumns[] = {&TaskRow::name, &TaskRow::address, &TaskRow::engine,
                                                      &TaskRow::status};
        const bool known = item.iSubItem >= 0 && item.iSubItem < static_cast<int>(std::size(kColumns));
        CopyText(known ? row.*kColumns[item.iSubItem] : Text(), item.pszText, item.cchTextMax);
    }
    if ((item.mask & LVIF_STATE) && item.iSubItem == 0) {
        // State image 1 is the empty box, 2 the ticked one.
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(row.checked ? 2 : 1);
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
}

// Type-ahead: the next row from iStart whose name starts with the typed text, wrapping if asked.
int TaskListView::OnFindItem(const NMHDR& header) const {
    const auto& find = reinterpret_cast<const NMLVFINDITEMW&>(header);
    const LVFINDINFOW& what = find.lvfi;
    if (!(what.flags & (LVFI_STRING | LVFI_PARTIAL)) || !what.psz) return -1;
    const std::size_t count = Shown();
    if (count == 0) return -1;
    const std::size_t start = find.iStart >= 0 && static_cast<std::size_t>(find.iStart) < count ? find.iStart : 0;
    const std::size_t steps = (what.flags & LVFI_WRAP) ? count : count - start;
    for (std::size_t i = 0; i < steps; ++i) {
        const std::size_t item = (start + i) % count;
        if (StartsWithNoCase(m_tasks.At(*RowAt(static_cast<int>(item))).name, what.psz)) return static_cast<int>(item);
    }
    return -1;
}

void TaskListView::ToggleRow(int item) {
    if (const std::optional<std::size_t> row = RowAt(item)) m_tasks.SetChecked(*row, !m_tasks.At(*row).checked);
}

// No sorting while the busy state holds: an analysis appends by index and a batch walks by index.
void TaskListView::OnColumnClick(int column) {
    if (!m_list || !IsWindowEnabled(m_list) || column < 0 || column >= static_cast<int>(std::size(kTaskColumns)))
        return;
    try {
        Sync();
        m_tasks.SortRows(OrderForClick(m_tasks.Order(), static_cast<TaskColumn>(column)));
    } catch (...) {
        // Too little memory to sort: the rows stay as they were.
    }
}

void TaskListView::ShowOrder() {
    const std::optional<TaskOrder> order = m_tasks.Order();
    if (!m_list || order == m_orderShown) return;
    m_orderShown = order;
    HWND header = reinterpret_cast<HWND>(SendMessageW(m_list, LVM_GETHEADER, 0, 0));
    for (int column = 0; column < static_cast<int>(std::size(kTaskColumns)); ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (order && static_cast<int>(order->column) == column)
            item.fmt |= order->descending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
    }
}

// The selection and the focus go with their rows; a selection of none or of every row stays.
void TaskListView::OnRowsReordered(const std::vector<std::size_t>& previous) {
    if (!m_list) return;
    std::vector<int> moved(previous.size());
    for (std::size_t i = 0; i < previous.size(); ++i) moved[previous[i]] = static_cast<int>(i);
    const auto newItem = [&](int item) {
        return item >= 0 && static_cast<std::size_t>(item) < moved.size() ? moved[item] : -1;
    };
    const int focused =
        newItem(static_cast<int>(SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
    const auto selectedCount = static_cast<std::size_t>(SendMessageW(m_list, LVM_GETSELECTEDCOUNT, 0, 0));
    if (selectedCount > 0 && selectedCount < m_shown) {
        std::vector<int> items = SelectedItems();
        SetItemState(m_list, -1, LVIS_SELECTED, 0);
        for (int item : items)
            if (const int now = newItem(item); now >= 0) SetItemState(m_list, now, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (focused >= 0) {
        SetItemState(m_list, focused, LVIS_FOCUSED, LVIS_FOCUSED);
        SendMessageW(m_list, LVM_SETSELECTIONMARK, 0, focused);
    }
    ShowOrder();
    InvalidateRect(m_list, nullptr, FALSE);
}

LRESULT CALLBACK TaskListView::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<TaskListView*>(data);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, ListProc, id);
        self->m_list = nullptr;
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_RBUTTONDOWN) {
        self->OnRightButton(lParam);
        return 0;
    }
    if (self->OnInput(msg, wParam, lParam)) return 0;
    // Whoever reads the list (a test, an accessibility tool) sees every row added so far.
    if (msg >= LVM_FIRST && msg < LVM_FIRST + 0x100 && msg != LVM_SETITEMCOUNT && self->m_pending) {
        try {
            self->Sync();
        } catch (...) {
        }
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// An owner-data list view keeps no check state: a click on a row's box toggles the row in the
// model, which redraws it. Keys: the space bar toggles the boxes of the selected rows (the focused
// row when none is selected), Ctrl+A selects every row, Ctrl+C copies the selected rows'
// addresses, Delete does nothing (rows come only from analysis). A busy list takes none of them.
bool TaskListView::OnInput(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    try {
        if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
            POINT point{};
            const int item = HitItem(m_list, lParam, LVHT_ONITEMSTATEICON, point);
            if (item < 0) return false;
            SetFocus(m_list);
            ToggleRow(item);
            return true;
        }
        if (msg == WM_CHAR) {
            // No type-ahead text and no beep for the keys handled at WM_KEYDOWN (Ctrl+A is 1, Ctrl+C 3).
            return wParam == L' ' || wParam == 1 || wParam == 3;
        }
        if (msg != WM_KEYDOWN) return false;
        const bool control = GetKeyState(VK_CONTROL) < 0;
        const bool ours = wParam == VK_SPACE || wParam == VK_DELETE || (control && (wParam == 'A' || wParam == 'C'));
        if (!ours) return false;
        if (!IsWindowEnabled(m_list)) return true;
        if (wParam == VK_SPACE) {
            std::vector<int> items = SelectedItems();
            if (items.empty())
                items.push_back(
                    static_cast<int>(SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
            for (int item : items) ToggleRow(item);
        } else if (wParam == 'A') {
            SetItemState(m_list, -1, LVIS_SELECTED, LVIS_SELECTED);
        } else if (wParam == 'C') {
            CopySelectedAddresses();
        }
        return true;
    } catch (...) {
    }
    return false;
}

std::vector<int> TaskListView::SelectedItems() const {
    std::vector<int> items;
    int item = -1;
    while ((item = static_cast<int>(
                SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED))) >= 0)
        items.push_back(item);
    return items;
}

// The addresses of the selected rows, one per line, as Unicode text on the clipboard; nothing
// selected leaves the clipboard as it was.
void TaskListView::CopySelectedAddresses() {
    std::vector<std::size_t> rows;
    for (int item : SelectedItems())
        if (const std::optional<std::size_t> row = RowAt(item)) rows.push_back(*row);
    if (rows.empty()) return;
    const Text text = JoinAddresses(m_tasks, rows);
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return;
    if (void* target = GlobalLock(memory)) {
        std::copy_n(Wide(text), text.size() + 1, static_cast<wchar_t*>(target));
        GlobalUnlock(memory);
        if (OpenClipboard(m_owner)) {
            EmptyClipboard();
            if (SetClipboardData(CF_UNICODETEXT, memory)) memory = nullptr;  // the clipboard owns it now
            CloseClipboard();
        }
    }
    if (memory) GlobalFree(memory);
}

// Handled here rather than by the list view, which would clear the selection on empty space.
// A busy (disabled) list opens no menu, even for a button message that reaches it anyway.
void TaskListView::OnRightButton(LPARAM lParam) noexcept {
    if (!IsWindowEnabled(m_list)) return;
    try {
        POINT point{};
        const int item = HitItem(m_list, lParam, LVHT_ONITEM, point);
        if (item >= 0) {
            // A row outside the selection becomes the only selected one, as in Explorer; a row
            // inside it keeps the selection for the menu.
            if (!SendMessageW(m_list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED))
                SetItemState(m_list, -1, LVIS_SELECTED, 0);
            SetItemState(m_list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        }
        ClientToScreen(m_list, &point);
        if (m_showMenu) m_showMenu(point);
    } catch (...) {
    }
}

void TaskListView::OnRowAdded(std::size_t) {
    Changed();
}

void TaskListView::OnRowsCleared() {
    // The rows are gone from the model: the list must not ask for them any more.
    m_shown = 0;
    SendMessageW(m_list, LVM_SETITEMCOUNT, 0, 0);
    ShowOrder();
}

void TaskListView::OnRowChanged(std::size_t index) {
    // A check box or a status written by the batch driver: redraw that row now if it is in view.
    if (!m_list || index >= m_shown) return;
    const auto top = static_cast<std::size_t>(SendMessageW(m_list, LVM_GETTOPINDEX, 0, 0));
    const auto page = static_cast<std::size_t>(SendMessageW(m_list, LVM_GETCOUNTPERPAGE, 0, 0));
    if (index < top || index > top + page) return;
    SendMessageW(m_list, LVM_REDRAWITEMS, index, index);
}

// Many rows at once (a choice by name): one repaint of the list instead of one per row.
void TaskListView::OnRowsChanged(const std::vector<std::size_t>&) {
    if (m_list) InvalidateRect(m_list, nullptr, FALSE);
}

void TaskListView::OnHeaderChanged(TextView) {
    Changed();
}

void TaskListView::Changed() {
    m_pending = true;
    const bool first = m_shown == 0 && m_tasks.Count() > 0;
    if (first || GetTickCount64() - m_syncedAt >= kSyncMs) {
        Sync();
        // Drawn now: an analysis that adds rows without pumping messages still shows them.
        if (m_list) RedrawWindow(m_list, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    } else if (!m_timer && m_owner && IsWindow(m_owner)) {
        m_timer = SetTimer(m_owner, kSyncTimer, static_cast<UINT>(kSyncMs), nullptr) != 0;
    }
}

void TaskListView::Sync() {
    if (m_timer) {
        KillTimer(m_owner, kSyncTimer);
        m_timer = false;
    }
    if (!m_pending || !m_list) return;
    m_pending = false;
    m_syncedAt = GetTickCount64();
    const std::size_t count = m_tasks.Count();
    if (count != m_shown) {
        m_shown = count;
        SendMessageW(m_list, LVM_SETITEMCOUNT, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    }
    ShowOrder();
    Text header = m_tasks.Header();
    if (header != m_header) {
        m_header = std::move(header);
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_TEXT;
        lvc.pszText = const_cast<wchar_t*>(Wide(m_header));
        SendMessageW(m_list, LVM_SETCOLUMNW, 0, reinterpret_cast<LPARAM>(&lvc));
    }
}

void TaskListView::Redraw() {
    m_pending = true;
    Sync();
    if (m_list) InvalidateRect(m_list, nullptr, FALSE);
}

}  // namespace ferrik
