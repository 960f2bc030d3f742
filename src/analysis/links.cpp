#include "analysis/links.h"

#include <memory>

#include "analysis/pattern.h"
#include "common/stop_flag.h"

namespace ferrik {

namespace {

const char* Describe(LinkAnalysisFailure failure) {
    switch (failure) {
        case LinkAnalysisFailure::InvalidPattern:
            return "invalid link pattern";
        case LinkAnalysisFailure::RejectedAddress:
            return "address rejected by the document engine";
    }
    return "link analysis failed";
}

Pattern CompileOrThrow(TextView pattern) {
    std::optional<Pattern> compiled = Pattern::Compile(pattern);
    if (!compiled) throw LinkAnalysisError(LinkAnalysisFailure::InvalidPattern);
    return std::move(*compiled);
}

std::unique_ptr<Document> CreateOrThrow(DocumentLoader& loader, TextView address) {
    std::unique_ptr<Document> document = loader.CreateDocument(address);
    if (!document) throw LinkAnalysisError(LinkAnalysisFailure::RejectedAddress);
    return document;
}

// Polls the ready state, pumping between polls. False when a stop request ended the wait, or when
// the program's end cut the load short (the close's stop request is taken here, not left pending).
bool WaitUntilComplete(Document& document, MessagePump& pump) {
    while (document.ReadyState() != kReadyComplete) {
        if (TakeStopRequest()) return false;
        pump.PumpMessages();
    }
    if (document.Interrupted()) {
        TakeStopRequest();
        return false;
    }
    return true;
}

}  // namespace

LinkAnalysisError::LinkAnalysisError(LinkAnalysisFailure failure)
    : std::runtime_error(Describe(failure)), m_failure(failure) {}

void AnalyseLinks(const LinkAnalysisPorts& ports, TaskList& tasks, Beeper& beeper, TextView address, TextView pattern,
                  TextView engine) {
    const Pattern matcher = CompileOrThrow(pattern);
    ports.status.ShowStatus(u"正在准备分析网页……");
    tasks.BeginFill();
    {
        const std::unique_ptr<Document> document = CreateOrThrow(ports.loader, address);
        if (WaitUntilComplete(*document, ports.pump)) {
            ports.status.ShowStatus(u"正在读取网页信息……");
            ports.pump.PumpMessages();
            bool stopped = false;
            for (const Hyperlink& link : document->Links()) {
                if (TakeStopRequest()) {
                    stopped = true;
                    break;
                }
                if (tasks.Full()) break;
                if (matcher.Matches(link.address)) {
                    tasks.AddTask(link.text, link.address, engine, u"", link.address);
                    ports.pump.PumpMessages();
                }
            }
            if (!stopped) beeper.Beep();
        }
    }
    ports.status.ShowStatus(u"完成分析。");
}

Text FindPageLink(const LinkAnalysisPorts& ports, TextView address, TextView pattern, std::int32_t index) {
    const Pattern matcher = CompileOrThrow(pattern);
    ports.status.ShowStatus(u"正在读取网页数据……");
    Text result;
    {
        const std::unique_ptr<Document> document = CreateOrThrow(ports.loader, address);
        if (WaitUntilComplete(*document, ports.pump)) {
            ports.pump.PumpMessages();
            ports.status.ShowStatus(u"正在分析网页数据……");
            std::int32_t n = 0;
            for (const Hyperlink& link : document->Links()) {
                if (TakeStopRequest()) break;
                if (!matcher.Matches(link.address)) continue;
                if (n == index) {
                    result = link.address;
                    break;
                }
                ++n;
            }
        }
    }
    ports.status.ShowStatus(u"完成地址分析。");
    return result;
}

}  // namespace ferrik
