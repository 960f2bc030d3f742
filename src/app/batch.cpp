#include "app/batch.h"

#include "common/stop_flag.h"

namespace ferrik {

namespace {

// One statement of the driver: whatever it throws is dropped and the run goes on with the next.
template <class Step>
void Guarded(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

void SetRowStatus(TaskList& tasks, std::size_t row, TextView status) {
    Guarded([&] { tasks.SetStatus(row, status); });
}

Text LinkOfRow(const BatchPorts& p, std::size_t row) {
    Text engine;
    Text address;
    Guarded([&] {
        const TaskRow& task = p.tasks.At(row);
        engine = task.engine;
        address = task.address;
    });
    Text link;
    if (engine == kEngineDirect) {
        link = address;
    } else if (engine == kEnginePage) {
        // The fetch pumps messages: only copies of the row's fields are used past this point.
        Guarded([&] { link = p.pages.FirstQvodLink(address); });
    }
    return link;
}

// The pause before a poll. False when a stop was requested or the program is ending.
bool PollPause(const BatchPorts& p) {
    if (TakeStopRequest()) return false;
    bool timePassed = true;
    Guarded([&] { timePassed = p.wait.Wait(kPollIntervalMs); });
    return timePassed;
}

void RecordOutcome(const BatchPorts& p, std::size_t row, PollOutcome outcome, BatchCounts& counts) {
    const bool succeeded = outcome == PollOutcome::Succeeded;
    SetRowStatus(p.tasks, row,
                 succeeded                            ? kStatusSucceeded
                 : outcome == PollOutcome::FailedIdle ? kStatusFailedIdle
                                                      : kStatusFailed);
    ++(succeeded ? counts.succeeded : counts.failed);
}

// Submits one checked row and polls until the player decides. Returns false when the polling was
// cut short, which ends the run.
bool SubmitRow(const BatchPorts& p, std::size_t row, BatchCounts& counts) {
    SetRowStatus(p.tasks, row, kStatusConnecting);
    const Text link = LinkOfRow(p, row);
    Guarded([&] { p.pump.PumpMessages(); });
    Guarded([&] { p.player.Stop(); });
    Guarded([&] { p.player.SetURL(link); });
    Guarded([&] { p.player.Play(); });

    // A failed read keeps the value of this row's previous poll; each row starts from 0 so that
    // a failing member never repeats an earlier row's outcome.
    std::int32_t downrate = 0;
    std::int32_t playState = 0;
    for (;;) {
        if (!PollPause(p)) {
            RecordOutcome(p, row, PollOutcome::Failed, counts);
            return false;
        }
        Guarded([&] { downrate = p.player.Downrate(); });
        if (downrate < 1) Guarded([&] { playState = p.player.PlayState(); });
        const PollOutcome outcome = DecidePoll(downrate, playState);
        if (outcome != PollOutcome::KeepPolling) {
            RecordOutcome(p, row, outcome, counts);
            return true;
        }
    }
}

}  // namespace

PollOutcome DecidePoll(std::int32_t downrate, std::int32_t playState) {
    if (downrate >= 1) return PollOutcome::Succeeded;
    switch (playState) {
        case kPlayStateIdle:
            return PollOutcome::FailedIdle;
        case kPlayStateAccepted:
        case kPlayStateQueued:
            return PollOutcome::Succeeded;
        case kPlayStateStarting:
            return PollOutcome::KeepPolling;
        default:
            return PollOutcome::Failed;
    }
}

Text BatchSummary(BatchCounts counts) {
    return u"已完成任务，共成功" + ToText(counts.succeeded) + u"个,失败" + ToText(counts.failed) +
           u"个，请在qvod快播里点击全部接收,以完成后续下载。";
}

BatchCounts SubmitTasks(const BatchPorts& p) {
    Guarded([&] { p.busy.LockControls(); });
    BatchCounts counts;
    // Counted once: rows added or removed during the run do not move the bound.
    std::size_t rowCount = 0;
    Guarded([&] { rowCount = p.tasks.Count(); });
    std::size_t checkedRows = 0;
    if (p.progress) {
        for (std::size_t row = 0; row < rowCount; ++row)
            Guarded([&] { checkedRows += p.tasks.At(row).checked ? 1 : 0; });
    }
    const auto progress = [&](std::size_t done) {
        if (checkedRows > 0) Guarded([&] { p.progress->ShowProgress(done, checkedRows); });
    };
    progress(0);
    std::size_t done = 0;
    for (std::size_t row = 0; row < rowCount; ++row) {
        if (TakeStopRequest()) break;
        bool checked = false;
        Guarded([&] { checked = p.tasks.At(row).checked; });
        if (!checked) continue;
        const bool goOn = SubmitRow(p, row, counts);
        progress(++done);
        if (!goOn) break;
    }
    Guarded([&] { p.busy.UnlockControls(); });
    Guarded([&] { p.player.Stop(); });
    if (checkedRows > 0) Guarded([&] { p.progress->ClearProgress(); });
    Guarded([&] { p.prompts.ShowMessage(BatchSummary(counts), MessageIcon::Exclamation); });
    return counts;
}

}  // namespace ferrik
