#pragma once
// The analysis commands of the 分析 menu. Each runs on the GUI thread from start to end; the
// engines it calls pump messages, so 停止分析 and other handlers may run in the middle.
#include <cstdint>
#include <stdexcept>

#include "app/task_list.h"
#include "common/ports.h"
#include "common/text.h"

namespace ferrik {

// Document link analysis refuses the pattern (a descending range, an unclosed "[").
class InvalidPatternError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The document engine cannot load the address at all (not a page address it can fetch).
class RejectedAddressError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The page-analysis engines the commands drive, bound to the task list, the status line and the
// platform by whoever builds them. AnalyseLinks and FindPageLink may throw the two errors above.
class AnalysisEngine {
public:
    virtual ~AnalysisEngine() = default;
    virtual void GetAllQvodUrl(TextView strURL, bool UTF8, TextView IsUnEscape) = 0;
    virtual void AnalyseLinks(TextView address, TextView pattern, TextView engine) = 0;
    virtual Text FindPageLink(TextView address, TextView pattern, std::int32_t index) = 0;
};

// What SmartAnalyse reads of the current scheme: a copy, as the address box may change (and a new
// scheme be chosen) while the command runs.
struct SchemeView {
    Text FilterStr;
    Text EnId;
    Text Unescape;
    bool found = false;
};

// The message boxes of the commands, all titled "提示".
class AnalysisPrompts {
public:
    virtual ~AnalysisPrompts() = default;
    // OK button, exclamation icon.
    virtual void Warn(TextView text) = 0;
    // Yes and No buttons, information icon. False only when the answer is No.
    virtual bool Ask(TextView text) = 0;
};

struct AnalysisContext {
    AnalysisEngine& engine;
    TaskList& tasks;
    BusyState& busy;
    StatusLine& status;
    AnalysisPrompts& prompts;
};

// `address` is the address box's text, unchanged; only the empty-address test trims it.
void SmartAnalyse(AnalysisContext& ctx, TextView address, const SchemeView& scheme);
void AnalyseEpisodePage(AnalysisContext& ctx, TextView address);
void AnalyseQvodText(AnalysisContext& ctx, TextView address);
void AnalyseEscapedQvodText(AnalysisContext& ctx, TextView address);
// Lists the page's hyperlinks that match `pattern` as "SS1" rows. Does not test the address.
void AnalyseLinkPage(AnalysisContext& ctx, TextView address, TextView pattern);
void StopAnalysis();

// Texts the commands show.
inline constexpr std::u16string_view kAskNoSchemeText = u"没有匹配的方案,确定要进行分析吗？";
inline constexpr std::u16string_view kRedundantDataText = u"分析结果可能包含冗余数据，可能需要您手动进行筛选！";
inline constexpr std::u16string_view kNoRulesText = u"分析时将不使用规则数据！";
inline constexpr std::u16string_view kAnalysingQvodText = u"正在分析网页中的qvod地址。";
inline constexpr std::u16string_view kAnalysisDoneText = u"分析完毕";

// The messages for the errors that document link analysis reports.
Text InvalidPatternMessage(TextView pattern);
Text RejectedAddressMessage(TextView address);

}  // namespace ferrik
