#pragma once
// HTTP GET with WinINet on a worker thread while the GUI thread waits and dispatches messages.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/fetch.h"
#include "platform/worker_win.h"

namespace ferrik {

struct HttpOptions {
    std::uint32_t connectTimeoutMs = 15000;
    std::uint32_t sendTimeoutMs = 15000;
    std::uint32_t receiveTimeoutMs = 30000;
    // The whole request, however slowly its headers or body trickle: the request fails past it, and
    // every caller's wait (the fetcher's, a document's, the own browser's) ends there.
    std::uint32_t totalTimeoutMs = 120000;
    std::size_t maxBodyBytes = 64u * 1024u * 1024u;  // beyond this the fetch fails
};

// Whether HttpGetBlocking takes the address at all (a web address, common/web_address.h, that
// parses as a URL); a false here is what it would fail on before connecting.
bool IsFetchableAddress(TextView address);

// What one GET on a worker gives: the response, or why there is none. Failures are values here:
// nothing is thrown on a worker for a request that fails.
struct HttpResult {
    std::optional<HttpResponse> response;
    std::string error;  // when there is no response
};

// One GET on the calling thread (a worker's): the address read as browsers read it (see
// PageFetcher::Get), its query sent in `charset`. Ends early with an error once `cancel` is
// requested: a request during a blocking call closes the request's handles, which ends the call.
// The handles are held by `cancel` and closed by its CloseAll (the worker's end), so that the
// caller can take the answer before Wine drains what is left of a body.
HttpResult HttpGet(TextView address, TextView charset, const HttpOptions& options, CancelToken& cancel);

// The same for tests and tools: UTF-8 query, handles closed before it returns, FetchError on failure.
HttpResponse HttpGetBlocking(TextView address, const HttpOptions& options);

// The page fetcher of the GUI thread: runs HttpGet on a worker thread and waits with WaitPumping;
// a WM_QUIT during the wait makes it fail at once and cancels the worker. The fetcher owns its
// workers: its end cancels and joins those still running.
class WinInetFetcher final : public PageFetcher {
public:
    WinInetFetcher() = default;
    explicit WinInetFetcher(const HttpOptions& options) : m_options(options) {}
    HttpResponse Get(TextView address, TextView charset) override;

private:
    HttpOptions m_options;
    WorkerGroup m_workers;
};

}  // namespace ferrik
