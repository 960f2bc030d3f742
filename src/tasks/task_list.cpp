#include "tasks/task_list.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace ferrik {

namespace {

std::uint32_t KeyHash(TextView key) {
    return static_cast<std::uint32_t>(std::hash<TextView>{}(key));
}

}  // namespace

// The slot that holds `key`, or the free slot where it belongs.
std::size_t TaskList::FindKeySlot(TextView key, std::uint32_t hash) const {
    const std::size_t mask = m_keySlots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const KeySlot& slot = m_keySlots[i];
        if (slot.row == 0 || (slot.hash == hash && m_rows[slot.row - 1].key == key)) return i;
    }
}

void TaskList::RebuildKeySlots(std::size_t slotCount) {
    m_keySlots.assign(slotCount, KeySlot{});
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const std::uint32_t hash = KeyHash(m_rows[i].key);
        m_keySlots[FindKeySlot(m_rows[i].key, hash)] = KeySlot{static_cast<std::uint32_t>(i + 1), hash};
    }
}

bool TaskList::AddTask(TextView name, TextView address, TextView engine, TextView tag, TextView key) {
    m_counted = true;
    if (2 * (m_rows.size() + 1) > m_keySlots.size()) {
        RebuildKeySlots(std::max<std::size_t>(64, 2 * m_keySlots.size()));
    }
    const std::uint32_t hash = KeyHash(key);
    const std::size_t slot = FindKeySlot(key, hash);
    const bool added = m_keySlots[slot].row == 0;
    if (added) {
        // The slot is taken only once the row is in: a failed allocation leaves the list as it was.
        m_rows.push_back(TaskRow{Text(name), Text(address), Text(engine), Text(), Text(key), Text(tag), false});
        m_keySlots[slot] = KeySlot{static_cast<std::uint32_t>(m_rows.size()), hash};
        if (m_observer) m_observer->OnRowAdded(m_rows.size() - 1);
    }
    HeaderChanged();
    return added;
}

void TaskList::ClearTasks() {
    m_counted = true;
    m_rows.clear();
    std::fill(m_keySlots.begin(), m_keySlots.end(), KeySlot{});
    if (m_observer) m_observer->OnRowsCleared();
    HeaderChanged();
}

void TaskList::CheckAll() {
    const std::size_t count = m_rows.size();
    for (std::size_t i = 0; i < count; ++i) SetChecked(i, true);
}

void TaskList::UncheckAll() {
    const std::size_t count = m_rows.size();
    for (std::size_t i = 0; i < count; ++i) SetChecked(i, false);
}

void TaskList::InvertChecks() {
    const std::size_t count = m_rows.size();
    for (std::size_t i = 0; i < count; ++i) SetChecked(i, !m_rows.at(i).checked);
}

void TaskList::SetChecked(std::size_t index, bool checked) {
    TaskRow& row = m_rows.at(index);
    if (row.checked == checked) return;
    row.checked = checked;
    RowChanged(index);
}

void TaskList::SetStatus(std::size_t index, TextView status) {
    m_rows.at(index).status = Text(status);
    RowChanged(index);
}

Text TaskList::Header() const {
    if (!m_counted) return u"名称";
    return u"名称(" + ToText(static_cast<std::int64_t>(m_rows.size())) + u")";
}

void TaskList::HeaderChanged() {
    if (m_observer) m_observer->OnHeaderChanged(Header());
}

void TaskList::RowChanged(std::size_t index) {
    if (m_observer) m_observer->OnRowChanged(index);
}

Text JoinAddresses(const TaskList& tasks, const std::vector<std::size_t>& rows) {
    Text text;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) text += u"\r\n";
        text += tasks.At(rows[i]).address;
    }
    return text;
}

}  // namespace ferrik
