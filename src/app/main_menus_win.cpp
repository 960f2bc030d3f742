#include "app/main_menus_win.h"

#include "forms/form_controls_win.h"

namespace ferrik {

UniqueMenu BuildMenu(std::span<const MenuEntry> entries) {
    UniqueMenu menu(CreatePopupMenu());
    for (const MenuEntry& e : entries) {
        if (e.command == MenuCommand::Separator) {
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            const Text caption(e.caption);
            AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(e.command), Wide(caption));
        }
    }
    return menu;
}

bool Contains(std::span<const MenuEntry> entries, MenuCommand command) {
    for (const MenuEntry& e : entries)
        if (e.command == command) return true;
    return false;
}

bool IsMenuCommand(WORD id) {
    return Contains(kFileMenu, MenuCommand(id)) || Contains(kAnalyseMenu, MenuCommand(id)) ||
           Contains(kListMenu, MenuCommand(id));
}

}  // namespace ferrik
