#include "skin/window_kinds.h"

namespace ferrik::skin {

namespace {

struct KindName {
    const char16_t* name;
    WindowKind kind;
};

constexpr KindName kKindNames[] = {
    {u"#32770", WindowKind::Form},
    {u"thunderformdc", WindowKind::Form},
    {u"thunderrt6formdc", WindowKind::Form},
    {u"form", WindowKind::Form},
    {u"thundercommandbutton", WindowKind::PushButton},
    {u"thunderrt6commandbutton", WindowKind::PushButton},
    {u"button", WindowKind::PushButton},
    {u"thundercombobox", WindowKind::Combo},
    {u"thunderrt6combobox", WindowKind::Combo},
    {u"combo", WindowKind::Combo},
    {u"combobox", WindowKind::Combo},
    {u"thunderdrivelistbox", WindowKind::DriveList},
    {u"thunderrt6drivelistbox", WindowKind::DriveList},
    {u"thundercheckbox", WindowKind::CheckBox},
    {u"thunderrt6checkbox", WindowKind::CheckBox},
    {u"thunderoptionbutton", WindowKind::OptionButton},
    {u"thunderrt6optionbutton", WindowKind::OptionButton},
    {u"progressbar20wndclass", WindowKind::ProgressBar},
    {u"progressbarwndclass", WindowKind::ProgressBar},
    {u"msvb_lib_header", WindowKind::Header},
    {u"sysheader32", WindowKind::Header},
    {u"datalistwndclass", WindowKind::DataList},
    {u"dblistwndclass", WindowKind::DataList},
    {u"combolbox", WindowKind::DropList},
};

}  // namespace

WindowKind KindOfClass(TextView className) {
    const Text lower = ToLower(className);
    for (const KindName& k : kKindNames)
        if (lower == k.name) return k.kind;
    return WindowKind::Other;
}

bool IsGridClass(TextView className) {
    return ToLower(className).starts_with(u"apexgrid");
}

bool IsPaintedButtonStyle(std::uint32_t style) {
    // The type is the low four bits. Bits 1 and 2 (mask 6) mark check boxes, 3-state boxes,
    // radio buttons, group boxes and owner-drawn buttons; the automatic radio button (9) and the
    // user button (8) have both clear and are kept out by the type.
    return (style & 6) == 0 && (style & 0xF) <= 1;
}

}  // namespace ferrik::skin
