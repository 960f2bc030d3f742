// The skin's window properties: their names, where skinning starts them, and which kinds carry them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/window_props.h"

namespace ferrik::skin {
namespace {

TEST(SkinProps, NamesStartingValuesAndKinds) {
    const std::pair<SkinProp, int> starts[] = {{SkinProp::MouseFlag, 0}, {SkinProp::TimerId, 0},
                                               {SkinProp::OldState, 0},  {SkinProp::AlphaLevel, 0},
                                               {SkinProp::HdIndex, -1},  {SkinProp::HmIndex, -1}};
    for (const auto& [prop, value] : starts) EXPECT_EQ(RowOf(prop).initial, value) << static_cast<int>(prop);
    using Names = std::vector<std::u16string>;
    const Names pointer{u"MOUSEFLAG", u"OLDSTATE"};
    const std::pair<WindowKind, Names> kinds[] = {
        {WindowKind::PushButton,
         {u"HDC0", u"BMP0", u"HDC1", u"BMP1", u"HDC2", u"BMP2", u"HDC3", u"BMP3", u"OLDSTYLE", u"MOUSEFLAG", u"TIMERID",
          u"OLDSTATE", u"ALPHALEVEL"}},
        {WindowKind::Combo, pointer},
        {WindowKind::DriveList, pointer},
        {WindowKind::CheckBox, pointer},
        {WindowKind::OptionButton, pointer},
        {WindowKind::Header, {u"MOUSEFLAG", u"HDINDEX", u"HMINDEX"}},
        {WindowKind::Form, {}},
        {WindowKind::ProgressBar, {}},
        {WindowKind::DataList, {}},
        {WindowKind::DropList, {}},
        {WindowKind::Other, {}},
    };
    for (const auto& [kind, names] : kinds) {
        Names carried;
        for (SkinProp prop : PropsOfKind(kind)) carried.emplace_back(NameOf(prop));
        EXPECT_EQ(carried, names) << static_cast<int>(kind);
    }
    EXPECT_EQ(std::u16string(NameOf(SkinProp::ProcAddr)), u"PROCADDR");
    EXPECT_EQ(std::u16string(NameOf(SurfaceOf(3))), u"HDC3");
    EXPECT_EQ(std::u16string(NameOf(BitmapOf(2))), u"BMP2");
}

}  // namespace
}  // namespace ferrik::skin
