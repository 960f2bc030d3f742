#pragma once
// Document link analysis (module Modqvod): the hyperlinks of a page that match a scheme's pattern,
// listed as "SS1" rows or taken as the next page to analyse.
#include <cstdint>
#include <stdexcept>

#include "analysis/document.h"
#include "tasks/task_list.h"
#include "common/ports.h"
#include "common/text.h"

namespace ferrik {

// The system beep that ends a complete AnalyseLinks run.
class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void Beep() = 0;
};

enum class LinkAnalysisFailure {
    InvalidPattern,   // unclosed "[" or descending range
    RejectedAddress,  // the document engine cannot load this address at all
};

// Ends AnalyseLinks or FindPageLink early. The caller shows a message box and leaves its busy
// state. The document is already released and the rows added so far stay; the status line is left
// as it was (the caller writes its own text).
class LinkAnalysisError : public std::runtime_error {
public:
    explicit LinkAnalysisError(LinkAnalysisFailure failure);
    LinkAnalysisFailure Failure() const { return m_failure; }

private:
    LinkAnalysisFailure m_failure;
};

struct LinkAnalysisPorts {
    DocumentLoader& loader;
    MessagePump& pump;
    StatusLine& status;
};

// Replaces the task list's rows (adds after them while it appends) with the page's hyperlinks
// whose address matches `pattern`, one row per distinct address (named by its inner text, key =
// the address as found), engine code `engine`. Status "正在准备分析网页……", "正在读取网页信息……",
// "完成分析。"; the beep when every link was looked at. StopFlag ends the load wait and the row loop (no beep).
// Throws LinkAnalysisError. The pattern is checked before anything is shown or cleared, so an
// invalid one leaves the task list and the status line untouched; a rejected address is found
// after the list was emptied (TaskList::BeginFill).
void AnalyseLinks(const LinkAnalysisPorts& ports, TaskList& tasks, Beeper& beeper, TextView address, TextView pattern,
                  TextView engine);

// The address (as found) of matching hyperlink number `index`, counted from 0, or empty text when
// there is none or a stop was requested. Status "正在读取网页数据……", "正在分析网页数据……",
// "完成地址分析。". Throws LinkAnalysisError, with the pattern checked first as above.
Text FindPageLink(const LinkAnalysisPorts& ports, TextView address, TextView pattern, std::int32_t index);

}  // namespace ferrik
