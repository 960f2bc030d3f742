#pragma once
// HTTP GET with WinINet on a worker thread while the GUI thread waits and dispatches messages.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "analysis/fetch.h"

namespace ferrik {

struct HttpOptions {
    std::uint32_t connectTimeoutMs = 15000;
    std::uint32_t sendTimeoutMs = 15000;
    std::uint32_t receiveTimeoutMs = 30000;
    std::uint32_t totalTimeoutMs = 120000;           // the whole request, however slowly data trickles
    std::size_t maxBodyBytes = 64u * 1024u * 1024u;  // beyond this the fetch fails
};

// Whether HttpGetBlocking takes the address at all (an http or https URL with a host, read as a
// browser reads it); a false here is what it would fail on before connecting.
bool IsFetchableAddress(TextView address);

// One GET, blocking the calling thread: for worker threads only. Throws FetchError. The address
// is read as browsers read it (see PageFetcher::Get), its query sent as UTF-8, as typed into an
// address bar.
HttpResponse HttpGetBlocking(TextView address, const HttpOptions& options);

// The same with the query sent in `charset` (as PageFetcher::Get), ending early with FetchError
// once `cancel` is set (tested before each read of the body).
HttpResponse HttpGetBlocking(TextView address, TextView charset, const HttpOptions& options,
                             const std::atomic<bool>& cancel);

// The page fetcher of the GUI thread: runs HttpGetBlocking on a worker thread and waits with
// WaitPumping; a WM_QUIT during the wait makes it fail at once (the worker's result is dropped).
class WinInetFetcher final : public PageFetcher {
public:
    WinInetFetcher() = default;
    explicit WinInetFetcher(const HttpOptions& options) : m_options(options) {}
    HttpResponse Get(TextView address, TextView charset) override;

private:
    HttpOptions m_options;
};

}  // namespace ferrik
