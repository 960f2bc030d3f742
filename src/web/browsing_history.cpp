#include "web/browsing_history.h"

namespace ferrik {

namespace {

constexpr char16_t kBlank[] = u"about:blank";

}  // namespace

bool IsBlankAddress(TextView url) {
    return ToLower(url) == ToLower(kBlank);
}

std::optional<BrowsingHistory::Step> BrowsingHistory::Back() const {
    if (!m_position || *m_position == 0) return std::nullopt;
    return Step{m_entries[*m_position - 1], Move::Back, *m_position - 1};
}

std::optional<BrowsingHistory::Step> BrowsingHistory::Forward() const {
    if (!m_position || *m_position + 1 >= m_entries.size()) return std::nullopt;
    return Step{m_entries[*m_position + 1], Move::Forward, *m_position + 1};
}

BrowsingHistory::Step BrowsingHistory::Home() const {
    return Step{m_home.empty() ? Text(kBlank) : m_home, Move::New, 0};
}

std::optional<BrowsingHistory::Step> BrowsingHistory::Reload() const {
    if (m_location.empty()) return std::nullopt;
    return Step{m_location, Move::Reload, 0};
}

void BrowsingHistory::Started(const Step& step) {
    if (step.move == Move::New && m_home.empty() && !IsBlankAddress(step.url)) m_home = step.url;
}

void BrowsingHistory::Committed(const Step& step, TextView location) {
    m_location = Text(location);
    switch (step.move) {
        case Move::New:
            if (m_position) m_entries.resize(*m_position + 1);
            m_entries.push_back(m_location);
            m_position = m_entries.size() - 1;
            break;
        case Move::Back:
        case Move::Forward:
            m_position = step.index;
            m_entries[step.index] = m_location;
            break;
        case Move::Reload:
            break;
    }
}

}  // namespace ferrik
