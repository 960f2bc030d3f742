#pragma once
// The task list: one row per link found by page analysis, each with a check box that decides
// whether the batch driver submits it. The main window's list view shows this model.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"

namespace ferrik {

inline constexpr char16_t kEngineDirect[] = u"SS0";  // the address is a qvod:// link
inline constexpr char16_t kEnginePage[] = u"SS1";    // the address is a page whose first link is submitted

// The most rows the list takes: several times the links of the largest film pages, and at a few
// hundred bytes a row far from what a 32-bit process can hold. Past it AddTask adds nothing and
// the rows already there stay.
inline constexpr std::size_t kMaxTaskRows = 200000;

struct TaskRow {
    Text name;     // display name (column 名称)
    Text address;  // column qvod地址
    Text engine;   // column 使用引擎: "SS0" or "SS1"
    Text status;   // column 状态: written by the batch driver only
    Text tag;
    bool checked = false;

    // Unique within the list. Every writer passes the address, which is then not kept twice.
    TextView Key() const { return keyIsAddress ? TextView(address) : TextView(otherKey); }
    Text otherKey;  // only when the key differs from the address
    bool keyIsAddress = false;
};

// The list's columns, in the order shown.
enum class TaskColumn { Name, Address, Engine, Status };

// An order of the rows: by one column's texts in natural order (tasks/natural_order.h), or its
// reverse.
struct TaskOrder {
    TaskColumn column = TaskColumn::Name;
    bool descending = false;
    friend bool operator==(const TaskOrder&, const TaskOrder&) = default;
};

// What a click on a column's header asks for: that column in ascending order, or the reverse of
// the order the rows are in when they are in that column's order already.
TaskOrder OrderForClick(std::optional<TaskOrder> now, TaskColumn column);

// Told about every change so that a view can mirror the model.
class TaskListObserver {
public:
    virtual ~TaskListObserver() = default;
    virtual void OnRowAdded(std::size_t index) = 0;
    virtual void OnRowsCleared() = 0;
    virtual void OnRowChanged(std::size_t index) = 0;  // check state or status
    // The check states of these rows (ascending) changed in one go; by default told row by row.
    virtual void OnRowsChanged(const std::vector<std::size_t>& rows) {
        for (std::size_t index : rows) OnRowChanged(index);
    }
    virtual void OnHeaderChanged(TextView header) = 0;
    // The rows were put in another order: row i is the row that was at previous[i]. By default
    // told as a change of every row.
    virtual void OnRowsReordered(const std::vector<std::size_t>& previous) {
        std::vector<std::size_t> rows(previous.size());
        for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = i;
        OnRowsChanged(rows);
    }
};

class TaskList {
public:
    // Adds a row unless the key is already in the list or the list is Full (then nothing,
    // silently). Either way the header is set again to the true row count. Returns whether a row
    // was added.
    bool AddTask(TextView name, TextView address, TextView engine, TextView tag, TextView key);
    // The same with the key's hash worked out ahead by PrepareKey(key), which also starts loading
    // the key's slot from memory: a page scan reads the next link while that load runs.
    struct KeyHint {
        std::uint32_t hash = 0;
    };
    KeyHint PrepareKey(TextView key) const;
    bool AddTask(TextView name, TextView address, TextView engine, TextView tag, TextView key, KeyHint hint);
    void ClearTasks();
    // While appending is on, an analysis adds its rows after the rows listed; off (as at every
    // start), it empties the list first.
    void SetAppending(bool on) { m_appending = on; }
    bool Appending() const { return m_appending; }
    // What an analysis does before its first row: ClearTasks, or while appending, only the header
    // set to the row count (as after a clear).
    void BeginFill();
    // Room for `keys` distinct keys (up to a million) without growing the key table on the way;
    // rows still grow. Never fails.
    void ReserveKeys(std::size_t keys);
    void CheckAll();
    void UncheckAll();
    void InvertChecks();

    std::size_t Count() const { return m_count; }
    bool Full() const { return m_count >= kMaxTaskRows; }
    // 0-based; throws std::out_of_range for a row that is not there.
    const TaskRow& At(std::size_t index) const;
    void SetChecked(std::size_t index, bool checked);
    // Row i becomes checked exactly when checks[i] holds (rows beyond `checks` are unchecked); the
    // observer hears of the changed rows at once (OnRowsChanged).
    void SetChecks(const std::vector<bool>& checks);
    void SetStatus(std::size_t index, TextView status);

    // Puts the rows in `order`; rows that rank alike keep their order among themselves. Checks,
    // statuses and keys go with their rows. Throws std::bad_alloc before changing anything.
    void SortRows(TaskOrder order);
    // The order the rows were last put in; none once a row was added or the list cleared since.
    std::optional<TaskOrder> Order() const { return m_order; }

    // "名称" until the list is first filled or cleared, then "名称(" + row count + ")".
    Text Header() const;

    void SetObserver(TaskListObserver* observer) { m_observer = observer; }

private:
    void HeaderChanged();
    void RowChanged(std::size_t index);
    TaskRow& Row(std::size_t index);  // as At
    std::size_t FindKeySlot(TextView key, std::uint32_t hash) const;
    void RebuildKeySlots(std::size_t slotCount);

    // Rows by key, open addressing: a lookup allocates nothing and touches one slot (and one row
    // when the hash matches), which keeps pages with tens of thousands of links fast.
    struct KeySlot {
        std::uint32_t row = 0;  // row index + 1; 0 marks a free slot
        std::uint32_t hash = 0;
    };
    // The first m_count rows are the list; the rest are rows from before the last clear, kept (as
    // a vector keeps its capacity) so that the next fill writes over their storage.
    std::vector<TaskRow> m_rows;
    std::size_t m_count = 0;
    std::vector<KeySlot> m_keySlots;  // a power of two, at most half full
    TaskListObserver* m_observer = nullptr;
    bool m_counted = false;  // the header shows the count
    bool m_appending = false;
    std::optional<TaskOrder> m_order;
};

// The addresses of `rows` (indices into `tasks`), in that order, one per line ("\r\n" between
// them): what Ctrl+C puts on the clipboard.
Text JoinAddresses(const TaskList& tasks, const std::vector<std::size_t>& rows);

// The main window's busy state: disables what would start competing work while an analysis or a
// batch runs, leaving the 分析 button (and so 停止分析) usable.
class BusyState {
public:
    virtual ~BusyState() = default;
    virtual void LockControls() = 0;
    virtual void UnlockControls() = 0;
};

}  // namespace ferrik
