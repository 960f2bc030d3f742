#pragma once
// The main window's popup menus, built from their tables.
#include <windows.h>

#include <span>

#include "app/main_form.h"
#include "platform/handles_win.h"

namespace ferrik {

UniqueMenu BuildMenu(std::span<const MenuEntry> entries);
bool Contains(std::span<const MenuEntry> entries, MenuCommand command);
// Whether a WM_COMMAND id is an entry of one of the three menus.
bool IsMenuCommand(WORD id);

}  // namespace ferrik
