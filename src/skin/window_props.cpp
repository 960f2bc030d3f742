#include "skin/window_props.h"

namespace ferrik::skin {

namespace {

// The table is indexed by the enumeration: each row must stand at its own value.
constexpr bool RowsInOrder() {
    for (std::size_t i = 0; i < std::size(kSkinProps); ++i)
        if (static_cast<std::size_t>(kSkinProps[i].prop) != i) return false;
    return true;
}
static_assert(RowsInOrder());

using P = SkinProp;
constexpr SkinProp kPushButtonProps[] = {P::Hdc0,    P::Bmp0,     P::Hdc1,      P::Bmp1,     P::Hdc2,
                                         P::Bmp2,    P::Hdc3,     P::Bmp3,      P::OldStyle, P::MouseFlag,
                                         P::TimerId, P::OldState, P::AlphaLevel};
constexpr SkinProp kPointerProps[] = {P::MouseFlag, P::OldState};
constexpr SkinProp kHeaderProps[] = {P::MouseFlag, P::HdIndex, P::HmIndex};

}  // namespace

std::span<const SkinProp> PropsOfKind(WindowKind kind) {
    switch (kind) {
        case WindowKind::PushButton:
            return kPushButtonProps;
        case WindowKind::Combo:
        case WindowKind::DriveList:
        case WindowKind::CheckBox:
        case WindowKind::OptionButton:
            return kPointerProps;
        case WindowKind::Header:
            return kHeaderProps;
        default:
            return {};
    }
}

}  // namespace ferrik::skin
