#pragma once
// HTTP GET with WinINet on a worker thread while the GUI thread waits and dispatches messages.
#include <cstddef>
#include <cstdint>

#include "analysis/fetch.h"

namespace ferrik {

struct HttpOptions {
    std::uint32_t connectTimeoutMs = 15000;
    std::uint32_t sendTimeoutMs = 15000;
    std::uint32_t receiveTimeoutMs = 30000;
    std::uint32_t totalTimeoutMs = 120000;            // the whole request, however slowly data trickles
    std::size_t maxBodyBytes = 64u * 1024u * 1024u;   // beyond this the fetch fails
};

class WinInetFetcher final : public PageFetcher {
public:
    WinInetFetcher() = default;
    explicit WinInetFetcher(const HttpOptions& options) : m_options(options) {}
    HttpResponse Get(TextView address) override;

private:
    HttpOptions m_options;
};

}  // namespace ferrik
