#pragma once
// The batch driver: hands the link of every checked row to the player, one row at a time, and
// writes each row's outcome into its status column.
#include <cstdint>

#include "analysis/fetch.h"
#include "app/player.h"
#include "app/prompts.h"
#include "tasks/task_list.h"
#include "app/timed_wait.h"
#include "common/ports.h"
#include "common/text.h"

namespace ferrik {

inline constexpr char16_t kStatusConnecting[] = u"正在连接";
inline constexpr char16_t kStatusSucceeded[] = u"成功";
inline constexpr char16_t kStatusFailedIdle[] = u"失败(就绪)";
inline constexpr char16_t kStatusFailed[] = u"失败";

inline constexpr std::int32_t kPollIntervalMs = 800;

// The qvod:// link that an "SS1" row's page carries (empty text when there is none).
class PageLinkResolver {
public:
    virtual ~PageLinkResolver() = default;
    virtual Text FirstQvodLink(TextView pageAddress) = 0;
};

// The first link of the page fetched as GB2312 text.
class QvodPageLinks final : public PageLinkResolver {
public:
    QvodPageLinks(PageFetcher& fetcher, const ByteDecoder& decoder) : m_fetcher(fetcher), m_decoder(decoder) {}
    Text FirstQvodLink(TextView pageAddress) override;

private:
    PageFetcher& m_fetcher;
    const ByteDecoder& m_decoder;
};

// The program's taskbar button during a run: rows done of the checked rows.
class BatchProgress {
public:
    virtual ~BatchProgress() = default;
    virtual void ShowProgress(std::size_t done, std::size_t total) = 0;
    virtual void ClearProgress() = 0;
};

struct BatchPorts {
    TaskList& tasks;
    BusyState& busy;
    Player& player;
    TimedWait& wait;
    MessagePump& pump;
    PageLinkResolver& pages;
    Prompts& prompts;
    BatchProgress* progress = nullptr;  // none: no progress shown
};

struct BatchCounts {
    std::int32_t succeeded = 0;
    std::int32_t failed = 0;
};

// What one poll of the player decided for the row being submitted.
enum class PollOutcome { Succeeded, FailedIdle, Failed, KeepPolling };

PollOutcome DecidePoll(std::int32_t downrate, std::int32_t playState);

// "已完成任务，共成功" + succeeded + "个,失败" + failed + "个，请在qvod快播里点击全部接收,以完成后续下载。"
Text BatchSummary(BatchCounts counts);

// Runs on the 下载 button. Tests StopFlag before each row and before each poll. With checked rows,
// the progress shows 0 of them at the start, one more after each row's outcome, and is cleared
// just before the summary. Every error of the
// list, the page fetch, the wait or the player is ignored and the run goes on; it always ends
// with the summary message. Returns the counts it reported.
BatchCounts SubmitTasks(const BatchPorts& ports);

}  // namespace ferrik
