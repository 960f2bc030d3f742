#pragma once
// The own browser's page loads: each page is fetched with the program's HTTP client and read on a
// worker thread of its own (cancelled and joined when the loader goes); its answer is posted to
// the browser's window, which takes it on its own thread.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "analysis/http_win.h"
#include "platform/worker_win.h"
#include "web/page_navigation.h"

namespace ferrik {

class PageLoader {
public:
    // Posted to the window, wParam the load's number: the load began; its answer waits in Take.
    static constexpr UINT kMsgStarted = WM_APP + 1;
    static constexpr UINT kMsgDone = WM_APP + 2;
    // The window's timer for the load's one deadline (HttpOptions::totalTimeoutMs): the wait ends
    // there even when the worker's call stays blocked (as it does under Wine for a server
    // trickling its headers).
    static constexpr UINT_PTR kDeadlineTimer = 1;

    explicit PageLoader(const HttpOptions& options) : m_options(options) {}
    ~PageLoader();
    PageLoader(const PageLoader&) = delete;
    PageLoader& operator=(const PageLoader&) = delete;

    // The window the answers go to, before the first load.
    void SetWindow(HWND hwnd) { m_hwnd = hwnd; }

    // As NavigationPort::BeginLoad.
    void Begin(std::uint64_t id, const Text& url, const Text& charset, std::optional<LoadResult> known);
    void Cancel();
    // The answer of load `id` once kMsgDone came for it; nullopt when `id` is not the load under way.
    std::optional<LoadResult> Take(std::uint64_t id);
    // The deadline passed: the fetch under way is given up; the load it was, when there was one.
    std::optional<std::uint64_t> Expire();

    // What the worker and the window share; the worker writes it once and then posts kMsgDone.
    struct Shared;

private:
    struct Load {
        std::uint64_t id = 0;
        std::shared_ptr<Shared> shared;
        std::shared_ptr<CancelToken> cancel;  // the worker's, when one fetches the page
    };
    void Post(UINT msg, std::uint64_t id) const;

    HWND m_hwnd = nullptr;
    HttpOptions m_options;
    std::optional<Load> m_load;
    WorkerGroup m_workers;  // the page loads; ended with the loader
};

}  // namespace ferrik
