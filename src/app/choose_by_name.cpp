#include "app/choose_by_name.h"

#include <algorithm>

#include "analysis/pattern.h"

namespace ferrik {

Text ChosenByNameStatus(std::size_t count) {
    return u"已按名称选中" + ToText(static_cast<std::int64_t>(count)) + u"项。";
}

Text NameMaskProblem(TextView mask) {
    if (mask.empty()) return Text(kMaskEmptyText);
    if (!Pattern::Compile(mask)) return Text(kMaskMalformedText);
    return {};
}

std::optional<std::size_t> ChooseByName(TaskList& tasks, TextView mask) {
    if (mask.empty()) return std::nullopt;
    const std::optional<Pattern> pattern = Pattern::Compile(mask);
    if (!pattern) return std::nullopt;
    std::vector<bool> checks(tasks.Count());
    std::size_t count = 0;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        checks[i] = pattern->Matches(tasks.At(i).name);
        count += checks[i];
    }
    tasks.SetChecks(checks);
    return count;
}

void RememberMask(std::vector<Text>& history, TextView mask) {
    std::erase(history, mask);
    history.insert(history.begin(), Text(mask));
    if (history.size() > kMaskHistorySize) history.resize(kMaskHistorySize);
}

}  // namespace ferrik
