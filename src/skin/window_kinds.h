#pragma once
// The window kinds of the skin engine, told apart by class name.
#include <cstdint>

#include "common/text.h"

namespace ferrik::skin {

enum class WindowKind {
    Other,
    Form,
    PushButton,
    Combo,
    DriveList,
    CheckBox,
    OptionButton,
    ProgressBar,
    Header,
    DataList,
    DropList,
    Grid,  // only the paint handler tells it apart; everywhere else it is Other
};

// The kind of a class name (exact match after lower-casing); "apexgrid*" is Other here.
WindowKind KindOfClass(TextView className);
// The paint handler's extra test: "apexgrid" followed by anything.
bool IsGridClass(TextView className);

// A button window the engine paints: a push button (0) or default push button (1). Every other
// button type (check box, radio button, group box, owner-drawn, ...) keeps its own drawing.
bool IsPaintedButtonStyle(std::uint32_t style);

}  // namespace ferrik::skin
