#include "analysis/commands.h"

#include "analysis/qvod.h"
#include "common/stop_flag.h"

namespace ferrik {

namespace {

bool IsBlank(TextView address) {
    return TrimSpaces(address).empty();
}

// Runs a document-link step. When the engine reports a bad pattern or address, the busy state is
// left, the user is told what was wrong, and false is returned: the command ends there, keeping
// the rows already added. Any other failure leaves the busy state and goes on to the caller.
template <class Step>
bool RunLinkStep(AnalysisContext& ctx, TextView address, TextView pattern, Step step) {
    Text message;
    try {
        step();
        return true;
    } catch (const LinkAnalysisError& e) {
        message = e.Failure() == LinkAnalysisFailure::InvalidPattern ? InvalidPatternMessage(pattern)
                                                                     : RejectedAddressMessage(address);
    } catch (...) {
        ctx.busy.UnlockControls();
        throw;
    }
    ctx.busy.UnlockControls();
    ctx.prompts.Warn(message);
    return false;
}

void ExtractQvodLinks(AnalysisContext& ctx, TextView address, TextView isUnEscape) {
    if (IsBlank(address)) return;
    ctx.status.ShowStatus(kAnalysingQvodText);
    ctx.busy.LockControls();
    ctx.engine.GetAllQvodUrl(address, false, isUnEscape);
    ctx.busy.UnlockControls();
    ctx.status.ShowStatus(kAnalysisDoneText);
}

// EnId "2": the page at the address links to the page that carries the qvod:// links.
void AnalyseTwoLevel(AnalysisContext& ctx, TextView address, const Scheme& scheme) {
    if (IsBlank(address)) return;
    ctx.tasks.BeginFill();
    ctx.busy.LockControls();
    Text nextPage;
    if (!RunLinkStep(ctx, address, scheme.FilterStr,
                     [&] { nextPage = ctx.engine.FindPageLink(address, scheme.FilterStr, 0); }))
        return;
    ctx.status.ShowStatus(kAnalysingQvodText);
    ctx.engine.GetAllQvodUrl(nextPage, false, scheme.Unescape);
    ctx.busy.UnlockControls();
    ctx.status.ShowStatus(kAnalysisDoneText);
}

}  // namespace

void AnalyseLinkPage(AnalysisContext& ctx, TextView address, TextView pattern) {
    ctx.busy.LockControls();
    if (!RunLinkStep(ctx, address, pattern, [&] { ctx.engine.AnalyseLinks(address, pattern, kEnginePage); })) return;
    ctx.busy.UnlockControls();
    ctx.prompts.Warn(kRedundantDataText);
}

void AnalyseEpisodePage(AnalysisContext& ctx, TextView address) {
    if (IsBlank(address)) return;
    ctx.prompts.Warn(kNoRulesText);
    AnalyseLinkPage(ctx, address, u"*");
}

void AnalyseQvodText(AnalysisContext& ctx, TextView address) {
    ExtractQvodLinks(ctx, address, u"");
}

void AnalyseEscapedQvodText(AnalysisContext& ctx, TextView address) {
    ExtractQvodLinks(ctx, address, u"1");
}

void SmartAnalyse(AnalysisContext& ctx, TextView address, const Scheme& scheme) {
    if (scheme.EnId == u"0") {
        AnalyseQvodText(ctx, address);
        return;
    }
    if (scheme.EnId == u"2") {
        AnalyseTwoLevel(ctx, address, scheme);
        return;
    }
    if (IsBlank(address)) return;
    if (!scheme.schemeFound && !ctx.prompts.Ask(kAskNoSchemeText)) return;
    AnalyseLinkPage(ctx, address, scheme.FilterStr);
}

void StopAnalysis() {
    StopFlag = 1;
}

Text InvalidPatternMessage(TextView pattern) {
    return u"方案中的链接匹配规则写法有误，无法进行分析：\r\n" + Text(pattern);
}

Text RejectedAddressMessage(TextView address) {
    return u"无法打开这个网页地址，请检查地址是否正确：\r\n" + Text(address);
}

void PageAnalysisEngine::GetAllQvodUrl(TextView strURL, bool UTF8, TextView IsUnEscape) {
    ferrik::GetAllQvodUrl(m_ports.fetcher, m_ports.decoder, m_ports.tasks, strURL, UTF8, IsUnEscape);
}

void PageAnalysisEngine::AnalyseLinks(TextView address, TextView pattern, TextView engine) {
    ferrik::AnalyseLinks(LinkAnalysisPorts{m_ports.documents, m_ports.pump, m_ports.status}, m_ports.tasks,
                         m_ports.beeper, address, pattern, engine);
}

Text PageAnalysisEngine::FindPageLink(TextView address, TextView pattern, std::int32_t index) {
    return ferrik::FindPageLink(LinkAnalysisPorts{m_ports.documents, m_ports.pump, m_ports.status}, address, pattern,
                                index);
}

}  // namespace ferrik
