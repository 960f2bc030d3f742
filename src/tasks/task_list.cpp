#include "tasks/task_list.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <numeric>
#include <stdexcept>

#include "tasks/natural_order.h"

namespace ferrik {

namespace {

// Keys are addresses of tens to hundreds of units: hashed 32 bytes a round in four independent
// lanes (a multiply and a rotate per word each), then mixed so that the low bits the table uses
// depend on every byte.
std::uint32_t KeyHash(TextView key) {
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    const auto* bytes = reinterpret_cast<const unsigned char*>(key.data());
    std::size_t size = key.size() * sizeof(char16_t);
    const auto word = [&bytes](std::size_t at) {
        std::uint64_t w;
        std::memcpy(&w, bytes + at, 8);
        return w;
    };
    const auto step = [](std::uint64_t lane, std::uint64_t w) { return (std::rotl(lane, 23) ^ w) * kMul; };
    std::uint64_t a = size * kMul, b = size + kMul, c = ~size * kMul, d = size ^ kMul;
    for (; size >= 32; size -= 32, bytes += 32) {
        a = step(a, word(0));
        b = step(b, word(8));
        c = step(c, word(16));
        d = step(d, word(24));
    }
    std::uint64_t h = a ^ std::rotl(b, 16) ^ std::rotl(c, 32) ^ std::rotl(d, 48);
    for (; size >= 8; size -= 8, bytes += 8) h = step(h, word(0));
    if (size > 0) {
        // The last eight bytes of the key, overlapping the words before (a shorter key: all of it).
        std::uint64_t last = 0;
        if (key.size() * sizeof(char16_t) >= 8)
            std::memcpy(&last, bytes + size - 8, 8);
        else
            std::memcpy(&last, bytes, size);
        h = step(h, last);
    }
    h ^= h >> 32;
    h *= kMul;
    h ^= h >> 29;
    return static_cast<std::uint32_t>(h);
}

bool SameKey(TextView a, TextView b) {
    return a.size() == b.size() &&
           (a.data() == b.data() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0);
}

constexpr std::size_t kMinKeySlots = 64;

}  // namespace

// The slot that holds `key`, or the free slot where it belongs.
std::size_t TaskList::FindKeySlot(TextView key, std::uint32_t hash) const {
    const std::size_t mask = m_keySlots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const KeySlot& slot = m_keySlots[i];
        if (slot.row == 0 || (slot.hash == hash && SameKey(m_rows[slot.row - 1].Key(), key))) return i;
    }
}

// The slots keep each key's hash, so growing moves slots without reading a key again.
void TaskList::RebuildKeySlots(std::size_t slotCount) {
    std::vector<KeySlot> old(slotCount, KeySlot{});
    old.swap(m_keySlots);
    const std::size_t mask = slotCount - 1;
    for (const KeySlot& slot : old) {
        if (slot.row == 0) continue;
        std::size_t i = slot.hash & mask;
        while (m_keySlots[i].row != 0) i = (i + 1) & mask;
        m_keySlots[i] = slot;
    }
}

// Only an optimisation: a table too large to allocate is simply not made (the old one stays, and
// grows as rows come), and an estimate is never taken beyond a million keys.
void TaskList::ReserveKeys(std::size_t keys) {
    constexpr std::size_t kMaxReservedKeys = std::size_t{1} << 20;
    const std::size_t wanted = std::bit_ceil(std::max(kMinKeySlots, 2 * std::min(keys, kMaxReservedKeys)));
    if (wanted <= m_keySlots.size()) return;
    try {
        RebuildKeySlots(wanted);
    } catch (const std::bad_alloc&) {
    }
}

TaskList::KeyHint TaskList::PrepareKey(TextView key) const {
    const KeyHint hint{KeyHash(key)};
    if (!m_keySlots.empty()) __builtin_prefetch(&m_keySlots[hint.hash & (m_keySlots.size() - 1)]);
    return hint;
}

bool TaskList::AddTask(TextView name, TextView address, TextView engine, TextView tag, TextView key) {
    return AddTask(name, address, engine, tag, key, KeyHint{KeyHash(key)});
}

bool TaskList::AddTask(TextView name, TextView address, TextView engine, TextView tag, TextView key, KeyHint hint) {
    m_counted = true;
    if (2 * (m_count + 1) > m_keySlots.size()) {
        RebuildKeySlots(std::max(kMinKeySlots, 2 * m_keySlots.size()));
    }
    const std::uint32_t hash = hint.hash;
    const std::size_t slot = FindKeySlot(key, hash);
    const bool added = m_keySlots[slot].row == 0 && !Full();
    if (added) {
        // The row and its slot are taken only once the row is written: a failed allocation leaves
        // the list as it was. A row left from before the last clear is written over in place, its
        // texts keeping their storage.
        if (m_count == m_rows.size()) m_rows.emplace_back();
        TaskRow& row = m_rows[m_count];
        const bool keyIsAddress = SameKey(key, address);
        row.name.assign(name);
        row.address.assign(address);
        row.engine.assign(engine);
        row.status.clear();
        row.tag.assign(tag);
        row.checked = false;
        row.otherKey.assign(keyIsAddress ? TextView() : key);
        row.keyIsAddress = keyIsAddress;
        ++m_count;
        m_keySlots[slot] = KeySlot{static_cast<std::uint32_t>(m_count), hash};
        m_order.reset();
        if (m_observer) m_observer->OnRowAdded(m_count - 1);
    }
    HeaderChanged();
    return added;
}

void TaskList::ClearTasks() {
    m_counted = true;
    m_count = 0;
    m_order.reset();
    std::fill(m_keySlots.begin(), m_keySlots.end(), KeySlot{});
    if (m_observer) m_observer->OnRowsCleared();
    HeaderChanged();
}

void TaskList::BeginFill() {
    if (!m_appending) {
        ClearTasks();
        return;
    }
    m_counted = true;
    HeaderChanged();
}

void TaskList::SortRows(TaskOrder order) {
    static constexpr Text TaskRow::*kFields[] = {&TaskRow::name, &TaskRow::address, &TaskRow::engine,
                                                 &TaskRow::status};
    const Text TaskRow::*field = kFields[static_cast<std::size_t>(order.column)];
    // Everything that allocates comes first: past it nothing can fail.
    std::vector<std::size_t> previous(m_count);
    std::iota(previous.begin(), previous.end(), std::size_t{0});
    std::vector<std::uint32_t> moved(m_count);
    std::vector<TaskRow> rows;
    rows.reserve(m_rows.size());
    std::stable_sort(previous.begin(), previous.end(), [&](std::size_t a, std::size_t b) {
        const int c = NaturalCompare(m_rows[a].*field, m_rows[b].*field);
        return order.descending ? c > 0 : c < 0;
    });
    for (std::size_t i = 0; i < m_count; ++i) {
        moved[previous[i]] = static_cast<std::uint32_t>(i);
        rows.push_back(std::move(m_rows[previous[i]]));
    }
    // The rows kept from before the last clear stay behind the list.
    for (std::size_t i = m_count; i < m_rows.size(); ++i) rows.push_back(std::move(m_rows[i]));
    m_rows.swap(rows);
    for (KeySlot& slot : m_keySlots)
        if (slot.row != 0) slot.row = moved[slot.row - 1] + 1;
    m_order = order;
    if (m_observer) m_observer->OnRowsReordered(previous);
}

TaskRow& TaskList::Row(std::size_t index) {
    if (index >= m_count) throw std::out_of_range("no such task row");
    return m_rows[index];
}

const TaskRow& TaskList::At(std::size_t index) const {
    if (index >= m_count) throw std::out_of_range("no such task row");
    return m_rows[index];
}

void TaskList::CheckAll() {
    const std::size_t count = m_count;
    for (std::size_t i = 0; i < count; ++i) SetChecked(i, true);
}

void TaskList::UncheckAll() {
    const std::size_t count = m_count;
    for (std::size_t i = 0; i < count; ++i) SetChecked(i, false);
}

void TaskList::InvertChecks() {
    const std::size_t count = m_count;
    for (std::size_t i = 0; i < count; ++i) SetChecked(i, !Row(i).checked);
}

void TaskList::SetChecked(std::size_t index, bool checked) {
    TaskRow& row = Row(index);
    if (row.checked == checked) return;
    row.checked = checked;
    RowChanged(index);
}

void TaskList::SetChecks(const std::vector<bool>& checks) {
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < m_count; ++i) {
        const bool checked = i < checks.size() && checks[i];
        if (m_rows[i].checked == checked) continue;
        m_rows[i].checked = checked;
        changed.push_back(i);
    }
    if (m_observer && !changed.empty()) m_observer->OnRowsChanged(changed);
}

void TaskList::SetStatus(std::size_t index, TextView status) {
    Row(index).status = Text(status);
    RowChanged(index);
}

Text TaskList::Header() const {
    if (!m_counted) return u"名称";
    return u"名称(" + ToText(static_cast<std::int64_t>(m_count)) + u")";
}

void TaskList::HeaderChanged() {
    if (m_observer) m_observer->OnHeaderChanged(Header());
}

void TaskList::RowChanged(std::size_t index) {
    if (m_observer) m_observer->OnRowChanged(index);
}

TaskOrder OrderForClick(std::optional<TaskOrder> now, TaskColumn column) {
    if (now && now->column == column) return TaskOrder{column, !now->descending};
    return TaskOrder{column, false};
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
