#include "program/web_window_factory_win.h"

#include "web/web_window_win.h"

namespace ferrik {

WebWindowMaker WebWindowFactory(BrowserMaker browser) {
    return [browser = std::move(browser)](HWND owner, WebWindowPorts ports) -> std::unique_ptr<OwnedWindow> {
        auto web = std::make_unique<WebWindow>(std::move(ports), browser);
        if (!web->Create(owner)) return nullptr;
        return web;
    };
}

}  // namespace ferrik
