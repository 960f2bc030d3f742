// The skin's window properties: their names, which kinds carry them, and where skinning starts them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/window_props.h"

namespace ferrik::skin {
namespace {

std::vector<std::u16string> NamesOf(WindowKind kind) {
    std::vector<std::u16string> names;
    for (SkinProp prop : PropsOfKind(kind)) names.emplace_back(NameOf(prop));
    return names;
}

TEST(SkinProps, NamesAndStartingValues) {
    struct Row {
        SkinProp prop;
        const char16_t* name;
        int initial;
    };
    const Row rows[] = {
        {SkinProp::ProcAddr, u"PROCADDR", 0},   {SkinProp::OldStyle, u"OLDSTYLE", 0},
        {SkinProp::MouseFlag, u"MOUSEFLAG", 0}, {SkinProp::TimerId, u"TIMERID", 0},
        {SkinProp::OldState, u"OLDSTATE", 0},   {SkinProp::AlphaLevel, u"ALPHALEVEL", 0},
        {SkinProp::HdIndex, u"HDINDEX", -1},    {SkinProp::HmIndex, u"HMINDEX", -1},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(std::u16string(NameOf(r.prop)), r.name);
        EXPECT_EQ(RowOf(r.prop).initial, r.initial) << static_cast<int>(r.prop);
    }
    const char16_t* surfaces[] = {u"HDC0", u"HDC1", u"HDC2", u"HDC3"};
    const char16_t* bitmaps[] = {u"BMP0", u"BMP1", u"BMP2", u"BMP3"};
    for (int face = 0; face < kFaceCount; ++face) {
        EXPECT_EQ(std::u16string(NameOf(SurfaceOf(face))), surfaces[face]);
        EXPECT_EQ(std::u16string(NameOf(BitmapOf(face))), bitmaps[face]);
    }
}

TEST(SkinProps, WhatEachKindCarries) {
    using Names = std::vector<std::u16string>;
    const Names pointer{u"MOUSEFLAG", u"OLDSTATE"};
    struct Row {
        WindowKind kind;
        Names names;
    };
    const Row rows[] = {
        {WindowKind::PushButton,
         {u"HDC0", u"BMP0", u"HDC1", u"BMP1", u"HDC2", u"BMP2", u"HDC3", u"BMP3", u"OLDSTYLE", u"MOUSEFLAG",
          u"TIMERID", u"OLDSTATE", u"ALPHALEVEL"}},
        {WindowKind::Combo, pointer},
        {WindowKind::DriveList, pointer},
        {WindowKind::CheckBox, pointer},
        {WindowKind::OptionButton, pointer},
        {WindowKind::Header, {u"MOUSEFLAG", u"HDINDEX", u"HMINDEX"}},
        {WindowKind::Form, {}},
        {WindowKind::ProgressBar, {}},
        {WindowKind::DataList, {}},
        {WindowKind::DropList, {}},
        {WindowKind::Grid, {}},
        {WindowKind::Other, {}},
    };
    for (const Row& r : rows) EXPECT_EQ(NamesOf(r.kind), r.names) << static_cast<int>(r.kind);
}

}  // namespace
}  // namespace ferrik::skin
