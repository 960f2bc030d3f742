#include "program/web_window_factory_win.h"

#include "web/web_window_win.h"

namespace ferrik {

WebWindowMaker WebWindowFactory(BrowserMaker browser) {
    return [browser = std::move(browser)](WebWindowPorts ports) -> std::unique_ptr<OwnedWindow> {
        WebWindowOptions options;
        options.dataDirectory = std::move(ports.dataDirectory);
        options.decoder = ports.decoder;
        options.handOver = std::move(ports.handOver);
        options.makeBrowser = browser;
        options.ownerClosing = std::move(ports.ownerClosing);
        auto web = std::make_unique<WebWindow>(std::move(options));
        if (!web->Create(ports.owner)) return nullptr;
        return web;
    };
}

}  // namespace ferrik
