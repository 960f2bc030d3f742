#include "rules/text_lines.h"

#include "common/text_search.h"

namespace ferrik {

bool TextLines::Next(TextView& line) {
    if (m_rest.empty()) return false;
    std::size_t end = 0;
    if (m_ends == LineEnds::Cr) {
        end = FindUnit(m_rest, u'\r', 0);
    } else {
        end = m_rest.find_first_of(u"\r\n");
    }
    if (end == TextView::npos) {
        line = m_rest;
        m_rest = {};
        return true;
    }
    line = m_rest.substr(0, end);
    std::size_t next = end + 1;
    if (m_rest[end] == u'\r' && next < m_rest.size() && m_rest[next] == u'\n') ++next;
    m_rest.remove_prefix(next);
    return true;
}

}  // namespace ferrik
