#include "analysis/document_win.h"

#include <windows.h>

#include <atomic>
#include <utility>

#include "analysis/codepage_win.h"
#include "platform/pump_win.h"

namespace ferrik {

namespace {

// How long one ready-state read may sleep while loading. Any input ends it at once, so this only
// keeps the caller's poll loop from spinning; it never delays a message.
constexpr DWORD kPollWaitMs = 50;

const std::vector<Hyperlink> kNoLinks;      // the program is ending
const std::vector<Hyperlink> kFailedLinks;  // the request outlasted its deadline

// What the worker and the document share. Either may go first: a stopped wait drops the
// document (and cancels the worker), and the worker drops its share when it finishes.
struct LoadState {
    LoadState() : doneEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~LoadState() {
        if (doneEvent) CloseHandle(doneEvent);
    }
    LoadState(const LoadState&) = delete;
    LoadState& operator=(const LoadState&) = delete;

    void Finish(std::vector<Hyperlink> found) {
        links = std::move(found);
        done.store(true, std::memory_order_release);
        if (doneEvent) SetEvent(doneEvent);
    }

    HANDLE doneEvent;
    std::atomic<bool> done{false};
    std::vector<Hyperlink> links;  // written once by the worker, before `done`
};

// Runs on the worker: no windows, no GUI state, only what it holds a share of. A page that cannot
// be fetched or read is a document without links.
void Load(LoadState& state, const Text& address, const HttpOptions& options, CancelToken& cancel) {
    std::vector<Hyperlink> links;
    // The address comes from the address box: its query goes as UTF-8, as an address bar sends it.
    const HttpResult result = HttpGet(address, u"UTF-8", options, cancel);
    if (result.response && !cancel.Requested()) {
        const Win32Decoder decoder;
        links = ExtractLinks(result.response->body, result.response->contentType, result.response->finalUrl, decoder);
    }
    state.Finish(std::move(links));
}

class WinDocument final : public Document {
public:
    WinDocument(std::shared_ptr<LoadState> state, std::shared_ptr<CancelToken> cancel, ULONGLONG deadline)
        : m_state(std::move(state)), m_cancel(std::move(cancel)), m_deadline(deadline) {}
    // The page need not be read to its end any more.
    ~WinDocument() override {
        if (m_cancel) m_cancel->Request();
    }
    WinDocument(const WinDocument&) = delete;
    WinDocument& operator=(const WinDocument&) = delete;

    Text ReadyState() override {
        if (!m_links && !Settled()) {
            // Sleep until the worker ends or input arrives, so the poll loop yields the CPU.
            MsgWaitForMultipleObjectsEx(1, &m_state->doneEvent, kPollWaitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            Settled();
        }
        return m_links ? kReadyComplete : kReadyLoading;
    }

    const std::vector<Hyperlink>& Links() const override { return m_links ? *m_links : kNoLinks; }
    bool Interrupted() const override { return m_links == &kNoLinks; }

private:
    // Fixes the link collection once: the worker's links, or none when the program is ending
    // (the wait must not outlast WM_QUIT) or the request's deadline has passed (a server that
    // trickles its headers may keep the worker's call blocked beyond it).
    bool Settled() {
        if (m_state->done.load(std::memory_order_acquire)) {
            m_links = &m_state->links;
        } else if (QuitRequested()) {
            m_links = &kNoLinks;
        } else if (GetTickCount64() >= m_deadline) {
            if (m_cancel) m_cancel->Request();
            m_links = &kFailedLinks;
        }
        return m_links != nullptr;
    }

    std::shared_ptr<LoadState> m_state;
    std::shared_ptr<CancelToken> m_cancel;
    ULONGLONG m_deadline;
    const std::vector<Hyperlink>* m_links = nullptr;  // set once "complete"
};

}  // namespace

std::unique_ptr<Document> WinDocumentLoader::CreateDocument(TextView address) {
    if (!IsFetchableAddress(address)) return nullptr;
    const ULONGLONG deadline = GetTickCount64() + m_options.totalTimeoutMs;
    auto state = std::make_shared<LoadState>();
    std::shared_ptr<CancelToken> cancel =
        m_workers.Start([state, address = Text(address),
                         options = m_options](CancelToken& token) { Load(*state, address, options, token); },
                        // Out of memory reading the page: a page that could not be read.
                        [state] { state->Finish({}); });
    if (!cancel) state->Finish({});  // no thread to load with: a document without links
    return std::make_unique<WinDocument>(std::move(state), std::move(cancel), deadline);
}

}  // namespace ferrik
