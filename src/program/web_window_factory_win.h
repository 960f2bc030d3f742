#pragma once
// How the main window makes its web window: the program's entry point and the tests wire the
// two windows together here, so that neither knows the other.
#include "app/main_window_win.h"
#include "web/browser_factory_win.h"

namespace ferrik {

// `browser` makes the web window's browser; null: the system's control where it loads documents,
// else Ferrik's own.
WebWindowMaker WebWindowFactory(BrowserMaker browser = nullptr);

}  // namespace ferrik
