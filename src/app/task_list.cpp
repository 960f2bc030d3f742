#include "app/task_list.h"

#include <stdexcept>

namespace ferrik {

bool TaskList::AddTask(TextView name, TextView address, TextView engine, TextView tag, TextView key) {
    const bool added = m_keys.emplace(key).second;
    if (added) {
        m_rows.push_back(TaskRow{Text(name), Text(address), Text(engine), Text(), Text(key), Text(tag), false});
        if (m_observer) m_observer->OnRowAdded(m_rows.size() - 1);
    }
    HeaderChanged();
    return added;
}

void TaskList::ClearTasks() {
    m_rows.clear();
    m_keys.clear();
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

Text TaskList::Header() const { return u"名称(" + ToText(static_cast<std::int64_t>(m_rows.size())) + u")"; }

void TaskList::HeaderChanged() {
    if (m_observer) m_observer->OnHeaderChanged(Header());
}

void TaskList::RowChanged(std::size_t index) {
    if (m_observer) m_observer->OnRowChanged(index);
}

}  // namespace ferrik
