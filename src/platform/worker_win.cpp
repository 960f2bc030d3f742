#include "platform/worker_win.h"

#include <process.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <utility>

namespace ferrik {

// ---- CancelToken ----

void CancelToken::Request() noexcept {
    std::lock_guard lock(m_mutex);
    m_requested.store(true, std::memory_order_release);
    if (m_inCall) CloseAllLocked();
}

bool CancelToken::Hold(void* handle, Closer close) noexcept {
    std::lock_guard lock(m_mutex);
    if (m_count == kSlots) {
        close(handle);
        return false;
    }
    m_slots[m_count++] = Slot{handle, close};
    return true;
}

bool CancelToken::EnterCall() noexcept {
    std::lock_guard lock(m_mutex);
    if (m_requested.load(std::memory_order_relaxed)) return false;
    m_inCall = true;
    return true;
}

void CancelToken::LeaveCall() noexcept {
    std::lock_guard lock(m_mutex);
    m_inCall = false;
}

void CancelToken::CloseAll() noexcept {
    std::lock_guard lock(m_mutex);
    CloseAllLocked();
}

void CancelToken::CloseAllLocked() noexcept {
    while (m_count > 0) {
        const Slot slot = m_slots[--m_count];
        slot.close(slot.handle);
    }
}

// ---- Workers ----

struct WorkerGroup::Worker {
    ~Worker() {
        if (thread) CloseHandle(thread);
    }
    CancelToken token;
    Body body;
    Failed failed;
    HANDLE thread = nullptr;  // set before the worker is listed anywhere

    bool Ended() const noexcept { return WaitForSingleObject(thread, 0) != WAIT_TIMEOUT; }
};

namespace {

using Worker = WorkerGroup::Worker;

// Every worker of the program that has not been seen to end. Never destroyed: workers may still
// be listed while the runtime ends.
struct Registry {
    std::mutex mutex;
    std::vector<std::shared_ptr<Worker>> workers;
};

Registry& TheRegistry() noexcept {
    static Registry* registry = new Registry;
    return *registry;
}

void ForgetEnded(std::vector<std::shared_ptr<Worker>>& workers) noexcept {
    std::erase_if(workers, [](const std::shared_ptr<Worker>& w) { return w->Ended(); });
}

std::atomic<int> g_failNext{0};

bool TakeInjectedFailure() noexcept {
    int left = g_failNext.load(std::memory_order_acquire);
    while (left > 0 && !g_failNext.compare_exchange_weak(left, left - 1, std::memory_order_acq_rel)) {
    }
    return left > 0;
}

unsigned __stdcall WorkerEntry(void* parameter) noexcept {
    const std::unique_ptr<std::shared_ptr<Worker>> self(static_cast<std::shared_ptr<Worker>*>(parameter));
    Worker& worker = **self;
    try {
        if (TakeInjectedFailure()) throw std::bad_alloc();
        worker.body(worker.token);
    } catch (...) {
        // A body reports its failures as values; what escapes it (no memory left) still ends the
        // work for whoever waits on it.
        try {
            if (worker.failed) worker.failed();
        } catch (...) {
        }
    }
    worker.token.CloseAll();
    try {
        worker.body = nullptr;  // what the body holds goes now, on this thread
        worker.failed = nullptr;
    } catch (...) {
    }
    return 0;
}

// The program end's deadline (a GetTickCount64 value), 0 before BeginProgramEnd.
std::atomic<ULONGLONG> g_endDeadline{0};

// `now + ms`, but not past the program end's deadline once it has begun.
ULONGLONG DeadlineIn(DWORD ms) noexcept {
    const ULONGLONG deadline = GetTickCount64() + ms;
    const ULONGLONG end = g_endDeadline.load(std::memory_order_acquire);
    return end != 0 && end < deadline ? end : deadline;
}

// Waits for the workers until `deadline` (a GetTickCount64 value); true when all have ended.
bool WaitUntil(const std::vector<std::shared_ptr<Worker>>& workers, ULONGLONG deadline) noexcept {
    for (const std::shared_ptr<Worker>& w : workers) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        if (WaitForSingleObject(w->thread, left) == WAIT_TIMEOUT) return false;
    }
    return true;
}

}  // namespace

WorkerGroup::~WorkerGroup() {
    CancelAll();
    JoinAll(kWorkerJoinMs);
}

std::shared_ptr<CancelToken> WorkerGroup::Start(Body body, Failed failed) noexcept {
    try {
        auto worker = std::make_shared<Worker>();
        worker->body = std::move(body);
        worker->failed = std::move(failed);
        auto parameter = std::make_unique<std::shared_ptr<Worker>>(worker);
        // Suspended until it is listed: every listed worker has its thread handle.
        const auto thread = _beginthreadex(nullptr, 0, &WorkerEntry, parameter.get(), CREATE_SUSPENDED, nullptr);
        if (thread == 0) return nullptr;
        parameter.release();  // the thread's now
        worker->thread = reinterpret_cast<HANDLE>(thread);
        {
            Registry& registry = TheRegistry();
            std::lock_guard lock(registry.mutex);
            ForgetEnded(registry.workers);
            registry.workers.push_back(worker);
        }
        {
            std::lock_guard lock(m_mutex);
            ForgetEnded(m_workers);
            m_workers.push_back(worker);
        }
        ResumeThread(worker->thread);
        return std::shared_ptr<CancelToken>(worker, &worker->token);
    } catch (...) {
        // No memory for the lists: a thread already made runs on, listed or not; its owner
        // gets no token and treats the work as failed.
        return nullptr;
    }
}

void WorkerGroup::CancelAll() noexcept {
    std::lock_guard lock(m_mutex);
    for (const std::shared_ptr<Worker>& w : m_workers) w->token.Request();
}

bool WorkerGroup::JoinAll(DWORD ms) noexcept {
    try {
        std::vector<std::shared_ptr<Worker>> workers;
        {
            std::lock_guard lock(m_mutex);
            workers = m_workers;
        }
        const bool all = WaitUntil(workers, DeadlineIn(ms));
        std::lock_guard lock(m_mutex);
        ForgetEnded(m_workers);
        return all;
    } catch (...) {
        return false;  // no memory for the copy: the workers are left to EndWorkers
    }
}

std::size_t WorkerGroup::Running() noexcept {
    std::lock_guard lock(m_mutex);
    ForgetEnded(m_workers);
    return m_workers.size();
}

void BeginProgramEnd(DWORD boundMs) noexcept {
    ULONGLONG none = 0;
    g_endDeadline.compare_exchange_strong(none, GetTickCount64() + boundMs, std::memory_order_acq_rel);
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (const std::shared_ptr<Worker>& w : registry.workers) w->token.Request();
}

bool EndWorkers(DWORD boundMs) noexcept {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    // Listed workers stay listed (and alive) while the lock is held; nothing lists new ones now.
    for (const std::shared_ptr<Worker>& w : registry.workers) w->token.Request();
    const bool all = WaitUntil(registry.workers, DeadlineIn(boundMs));
    ForgetEnded(registry.workers);
    return all;
}

std::size_t RunningWorkers() noexcept {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    ForgetEnded(registry.workers);
    return registry.workers.size();
}

void FailNextWorkersForTests(int count) noexcept {
    g_failNext.store(count, std::memory_order_release);
}

void EndWorkersOrEndProcess(int exitCode) noexcept {
    BeginProgramEnd();
    if (EndWorkers(INFINITE)) return;
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
}

}  // namespace ferrik
