#pragma once
// The program's document engine: the page fetched with WinINet and its links taken by the HTML
// link engine, on a worker thread, while the GUI thread polls the ready state and pumps. The
// loader owns the workers: a document dropped early cancels its own, and the loader's end
// cancels and joins those still running.
#include "analysis/document.h"
#include "analysis/http_win.h"

namespace ferrik {

class WinDocumentLoader final : public DocumentLoader {
public:
    WinDocumentLoader() = default;
    explicit WinDocumentLoader(const HttpOptions& options) : m_options(options) {}

    // Null for an address WinINet cannot fetch at all (not an http or https URL with a host).
    // Everything else loads: the final address after redirects is the links' base, and a failed
    // request (of any status code the page still counts) completes without links.
    std::unique_ptr<Document> CreateDocument(TextView address) override;

private:
    HttpOptions m_options;
    WorkerGroup m_workers;
};

}  // namespace ferrik
