#pragma once
// The analysis commands of the 分析 menu. Each runs on the GUI thread from start to end; the
// engines it calls pump messages, so 停止分析 and other handlers may run in the middle.
#include <cstdint>

#include "analysis/document.h"
#include "analysis/fetch.h"
#include "analysis/links.h"
#include "tasks/task_list.h"
#include "common/ports.h"
#include "common/text.h"
#include "rules/scheme.h"

namespace ferrik {

// The page-analysis engines the commands drive (PageAnalysisEngine below in the program, fakes in
// tests). AnalyseLinks and FindPageLink throw LinkAnalysisError for a bad pattern or address.
class AnalysisEngine {
public:
    virtual ~AnalysisEngine() = default;
    virtual void GetAllQvodUrl(TextView strURL, bool UTF8, TextView IsUnEscape) = 0;
    virtual void AnalyseLinks(TextView address, TextView pattern, TextView engine) = 0;
    virtual Text FindPageLink(TextView address, TextView pattern, std::int32_t index) = 0;
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

// `address` is the address box's text, unchanged; only the empty-address test trims it. `scheme`
// is a copy of the current scheme: the address box may change while the command runs.
void SmartAnalyse(AnalysisContext& ctx, TextView address, const Scheme& scheme);
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

// The engines as the program runs them: text extraction over the page fetcher, document link
// analysis over the document loader, both writing into `tasks`.
struct PageAnalysisPorts {
    PageFetcher& fetcher;
    const ByteDecoder& decoder;
    DocumentLoader& documents;
    MessagePump& pump;
    StatusLine& status;
    Beeper& beeper;
    TaskList& tasks;
};

class PageAnalysisEngine final : public AnalysisEngine {
public:
    explicit PageAnalysisEngine(const PageAnalysisPorts& ports) : m_ports(ports) {}
    void GetAllQvodUrl(TextView strURL, bool UTF8, TextView IsUnEscape) override;
    void AnalyseLinks(TextView address, TextView pattern, TextView engine) override;
    Text FindPageLink(TextView address, TextView pattern, std::int32_t index) override;

private:
    PageAnalysisPorts m_ports;
};

}  // namespace ferrik
