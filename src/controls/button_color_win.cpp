#include "controls/button_color_win.h"

#include <windows.h>

namespace ferrik {

namespace {

class WinSystemColors final : public SystemColors {
public:
    std::optional<std::uint32_t> SysColor(int index) const override {
        if (index < 0 || index > COLOR_MENUBAR) return std::nullopt;
        return GetSysColor(index);
    }
};

}  // namespace

const SystemColors& WindowsSystemColors() {
    static const WinSystemColors system;
    return system;
}

}  // namespace ferrik
