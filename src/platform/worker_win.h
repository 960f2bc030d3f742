#pragma once
// Worker threads that never outlive the program. Each is owned by a WorkerGroup, which can end
// it: a cancel request closes the handles the worker blocks on (closing a WinINet handle makes
// a blocking call on it return at once) and the owner joins it, with a bound. A worker that
// outlasts its owner's bound is waited for once more by EndWorkers, which the program's end
// calls, with a short bound of its own. No exception leaves a worker's body: failures travel to the GUI thread as
// values.
//
// Why it matters: the 32-bit build unwinds with DWARF tables, which the runtime unregisters while
// the program ends; a worker still throwing then reaches std::terminate.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace ferrik {

// How long an owner waits for its worker once it has cancelled it.
inline constexpr DWORD kWorkerJoinMs = 3000;
// How long the program's end waits, in all, for the workers still running once its windows are
// gone. On Windows a cancelled request ends at once; under Wine a closed WinINet handle does not
// end a call blocked on it, and such a worker must not keep a closed program alive.
inline constexpr DWORD kProgramEndJoinMs = 400;

// What a worker shares with whoever may end it: the cancel request and the handles whose closing
// ends a blocking call. The worker owns the handles it holds here: they are closed once, by a
// cancel request that comes during a blocking call, or else by the worker's CloseAll.
class CancelToken {
public:
    using Closer = void (*)(void* handle) noexcept;

    CancelToken() = default;
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    // Any thread. A request outside a blocking call only sets the flag (the worker sees it before
    // its next call): closing a handle that is not in use can be slow (Wine reads what is still
    // waiting of a body first), and that must not happen on the GUI thread.
    void Request() noexcept;
    bool Requested() const noexcept { return m_requested.load(std::memory_order_acquire); }

    // Worker side. Hold: `handle` is closed with `close` later; when the slots are full it is
    // closed at once and false returned (a worker holds at most kSlots handles).
    bool Hold(void* handle, Closer close) noexcept;
    // Around each blocking call: false (and nothing entered) once a request came.
    bool EnterCall() noexcept;
    void LeaveCall() noexcept;
    // Closes every handle still held, the last held first.
    void CloseAll() noexcept;

private:
    static constexpr std::size_t kSlots = 4;
    struct Slot {
        void* handle = nullptr;
        Closer close = nullptr;
    };
    void CloseAllLocked() noexcept;

    std::atomic<bool> m_requested{false};
    std::mutex m_mutex;
    bool m_inCall = false;
    Slot m_slots[kSlots];
    std::size_t m_count = 0;
};

// Brackets one blocking call on the worker: EnterCall/LeaveCall.
class BlockingCall {
public:
    explicit BlockingCall(CancelToken& token) noexcept : m_token(token), m_entered(token.EnterCall()) {}
    ~BlockingCall() {
        if (m_entered) m_token.LeaveCall();
    }
    BlockingCall(const BlockingCall&) = delete;
    BlockingCall& operator=(const BlockingCall&) = delete;
    explicit operator bool() const noexcept { return m_entered; }

private:
    CancelToken& m_token;
    bool m_entered;
};

// The worker threads of one owner. Destroying the group cancels every worker and joins them all,
// at most kWorkerJoinMs in all (once the program's end has begun, not past its deadline); workers
// still running then are left to EndWorkers.
class WorkerGroup {
public:
    using Body = std::function<void(CancelToken&)>;
    // What a worker does when its body throws: tell whoever waits that the work ended, failed.
    using Failed = std::function<void()>;

    WorkerGroup() = default;
    ~WorkerGroup();
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;

    // Runs `body` on a new thread and returns the token that cancels it; null when no thread
    // could be made (the body did not run). Whatever the body throws (std::bad_alloc of a page
    // that exhausts the address space included) is caught at the thread's entry, and `failed`
    // then runs there: a wait for the body's signal must not outlast it. `failed` must not throw
    // (what it throws is dropped). Workers that have ended are forgotten here.
    std::shared_ptr<CancelToken> Start(Body body, Failed failed = nullptr) noexcept;

    void CancelAll() noexcept;
    // Waits up to `ms` in all for every worker to end; true when they all have.
    bool JoinAll(DWORD ms) noexcept;
    // Workers started and not yet seen to end.
    std::size_t Running() noexcept;

    struct Worker;

private:
    std::mutex m_mutex;
    std::vector<std::shared_ptr<Worker>> m_workers;
};

// The program's end has begun (its last window is gone): every worker is asked to end now, and
// from here on every join, an owner's end included, waits at most until one deadline `boundMs`
// from the first call. Later calls change nothing.
void BeginProgramEnd(DWORD boundMs = kProgramEndJoinMs) noexcept;

// Cancels every worker still running and waits for them, at most `boundMs` in all (and not past
// the program end's deadline). False when some worker outlasted the bound.
bool EndWorkers(DWORD boundMs = kProgramEndJoinMs) noexcept;

// BeginProgramEnd and EndWorkers up to its deadline; when a worker outlasted it the process ends
// here at once with `exitCode`, its standard streams flushed. Otherwise the system would kill that
// worker and then run the DLLs' detach code, which can wait forever for a lock the killed worker
// held (WinINet's, under Wine, while closing a request reads what is left of its body).
void EndWorkersOrEndProcess(int exitCode) noexcept;

// Workers of the whole program started and not yet seen to end.
std::size_t RunningWorkers() noexcept;

// For tests: the bodies of the next `count` workers started throw std::bad_alloc as they begin,
// as a body does whose page exhausts the address space.
void FailNextWorkersForTests(int count) noexcept;

}  // namespace ferrik
