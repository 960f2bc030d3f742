#pragma once
// Where the own browser is and has been: the location, the home page (the first page other than
// about:blank it went to) and the back/forward list. No window needed.
#include <cstddef>
#include <optional>
#include <vector>

#include "common/text.h"

namespace ferrik {

class BrowsingHistory {
public:
    enum class Move { New, Back, Forward, Reload };
    struct Step {
        Text url;
        Move move = Move::New;
        std::size_t index = 0;  // Back and Forward: the entry it goes to
    };

    // The steps of the browser's buttons; none where the button has nowhere to go.
    std::optional<Step> Back() const;
    std::optional<Step> Forward() const;
    Step Home() const;  // about:blank until a page was visited
    std::optional<Step> Reload() const;

    // A navigation begins (after BeforeNavigate2 let it): the first new one to a page is home.
    void Started(const Step& step);
    // Its document arrived from `location` (an error page too): the list moves.
    void Committed(const Step& step, TextView location);

    const Text& Location() const { return m_location; }
    const Text& HomePage() const { return m_home; }  // empty until a page was visited

private:
    Text m_location;
    Text m_home;
    std::vector<Text> m_entries;
    std::optional<std::size_t> m_position;
};

bool IsBlankAddress(TextView url);

}  // namespace ferrik
