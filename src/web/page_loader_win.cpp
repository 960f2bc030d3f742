#include "web/page_loader_win.h"

#include <mutex>
#include <utility>

#include "analysis/codepage_win.h"

namespace ferrik {

struct PageLoader::Shared {
    std::mutex mutex;
    LoadResult result;
};

namespace {

LoadResult Unreachable() {
    return {nullptr, kInetResourceNotFound};
}

void Keep(PageLoader::Shared& shared, LoadResult result) {
    std::lock_guard lock(shared.mutex);
    shared.result = std::move(result);
}

// Runs on the worker: no windows but the one it posts its answer to.
LoadResult LoadPage(const Text& url, const Text& charset, const HttpOptions& options, CancelToken& cancel) {
    const HttpResult result = HttpGet(url, charset, options, cancel);
    // Not found, refused, timed out, not an http address: the host cannot be reached.
    if (!result.response) return Unreachable();
    const HttpResponse& response = *result.response;
    if (response.status >= 400) return {nullptr, response.status};
    if (cancel.Requested()) return {};
    const Win32Decoder decoder;
    return {std::make_unique<Page>(Page::FromBytes(response.body, response.contentType,
                                                   response.finalUrl.empty() ? url : response.finalUrl, decoder))};
}

}  // namespace

PageLoader::~PageLoader() {
    if (m_load && m_load->cancel) m_load->cancel->Request();
}

void PageLoader::Post(UINT msg, std::uint64_t id) const {
    PostMessageW(m_hwnd, msg, static_cast<WPARAM>(id), 0);
}

void PageLoader::Begin(std::uint64_t id, const Text& url, const Text& charset, std::optional<LoadResult> known) {
    Cancel();
    Load load{id, std::make_shared<Shared>(), nullptr};
    Post(kMsgStarted, id);
    if (known) {
        Keep(*load.shared, std::move(*known));
        Post(kMsgDone, id);
    } else {
        load.cancel = m_workers.Start(
            [shared = load.shared, url, charset, options = m_options, hwnd = m_hwnd, id](CancelToken& cancel) {
                Keep(*shared, LoadPage(url, charset, options, cancel));
                if (!cancel.Requested()) PostMessageW(hwnd, kMsgDone, static_cast<WPARAM>(id), 0);
            },
            // Out of memory reading the page: as if the host could not be reached.
            [shared = load.shared, hwnd = m_hwnd, id] {
                Keep(*shared, Unreachable());
                PostMessageW(hwnd, kMsgDone, static_cast<WPARAM>(id), 0);
            });
        if (!load.cancel) {
            Keep(*load.shared, Unreachable());  // no thread to fetch with: as if unreachable
            Post(kMsgDone, id);
        } else {
            SetTimer(m_hwnd, kDeadlineTimer, m_options.totalTimeoutMs, nullptr);
        }
    }
    m_load = std::move(load);
}

void PageLoader::Cancel() {
    if (m_load && m_load->cancel) m_load->cancel->Request();
    m_load.reset();
    if (m_hwnd) KillTimer(m_hwnd, kDeadlineTimer);
}

std::optional<LoadResult> PageLoader::Take(std::uint64_t id) {
    if (!m_load || m_load->id != id) return std::nullopt;
    KillTimer(m_hwnd, kDeadlineTimer);
    const std::shared_ptr<Shared> shared = std::move(m_load->shared);
    m_load.reset();
    std::lock_guard lock(shared->mutex);
    return std::move(shared->result);
}

std::optional<std::uint64_t> PageLoader::Expire() {
    KillTimer(m_hwnd, kDeadlineTimer);
    if (!m_load || !m_load->cancel) return std::nullopt;
    const std::uint64_t id = m_load->id;
    Cancel();
    return id;
}

}  // namespace ferrik
