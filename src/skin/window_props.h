#pragma once
// The window properties the skin keeps on each skinned window: their names, which kinds carry
// which, and the values skinning starts them at. The properties are the truth about a skinned
// window; the engine reads and writes them by these rows only.
#include <cstddef>
#include <span>

#include "skin/fade.h"
#include "skin/window_kinds.h"

namespace ferrik::skin {

enum class SkinProp {
    ProcAddr,  // the window procedure before skinning; marks the window as skinned
    Hdc0,      // state surfaces of the push button's four faces
    Hdc1,
    Hdc2,
    Hdc3,
    Bmp0,  // the bitmaps selected into them
    Bmp1,
    Bmp2,
    Bmp3,
    OldStyle,    // the push button's style before skinning
    MouseFlag,   // 1 while a mouse-leave notification is asked for and not yet received
    TimerId,     // the running fade timer, 0 for none
    OldState,    // the skin state last drawn (a push button's: the face faded in)
    AlphaLevel,  // the fade level, 0..255
    HdIndex,     // the header item held down, -1 for none
    HmIndex,     // the header item under the mouse, -1 for none
};

struct SkinPropRow {
    SkinProp prop;
    const char16_t* name;
    int initial;  // the value skinning stores (for the handles and "OLDSTYLE": what the window has)
};

inline constexpr SkinPropRow kSkinProps[] = {
    {SkinProp::ProcAddr, u"PROCADDR", 0},   {SkinProp::Hdc0, u"HDC0", 0},
    {SkinProp::Hdc1, u"HDC1", 0},           {SkinProp::Hdc2, u"HDC2", 0},
    {SkinProp::Hdc3, u"HDC3", 0},           {SkinProp::Bmp0, u"BMP0", 0},
    {SkinProp::Bmp1, u"BMP1", 0},           {SkinProp::Bmp2, u"BMP2", 0},
    {SkinProp::Bmp3, u"BMP3", 0},           {SkinProp::OldStyle, u"OLDSTYLE", 0},
    {SkinProp::MouseFlag, u"MOUSEFLAG", 0}, {SkinProp::TimerId, u"TIMERID", 0},
    {SkinProp::OldState, u"OLDSTATE", 0},   {SkinProp::AlphaLevel, u"ALPHALEVEL", kFadeFromStart},
    {SkinProp::HdIndex, u"HDINDEX", -1},    {SkinProp::HmIndex, u"HMINDEX", -1},
};

constexpr const SkinPropRow& RowOf(SkinProp prop) {
    return kSkinProps[static_cast<std::size_t>(prop)];
}
constexpr const char16_t* NameOf(SkinProp prop) {
    return RowOf(prop).name;
}

// "HDC0".."HDC3" and "BMP0".."BMP3" of a face state.
constexpr SkinProp SurfaceOf(int face) {
    return static_cast<SkinProp>(static_cast<int>(SkinProp::Hdc0) + face);
}
constexpr SkinProp BitmapOf(int face) {
    return static_cast<SkinProp>(static_cast<int>(SkinProp::Bmp0) + face);
}

// What skinning stores on a window of the kind besides "PROCADDR", in the order it is stored
// (a push button's surfaces and bitmaps go face by face, as they are made).
std::span<const SkinProp> PropsOfKind(WindowKind kind);

}  // namespace ferrik::skin
