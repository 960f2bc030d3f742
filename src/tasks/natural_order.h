#pragma once
// The order a click on a column header puts the task list in: runs of digits by their value
// (第2集 before 第10集), Latin letters without regard to case, every other character by its code
// point.
#include "common/text.h"

namespace ferrik {

// Below 0 when `a` comes before `b`, 0 when they rank alike (第02集 and 第2集, abc and ABC), above
// 0 when it comes after. A strict weak order, so a sort may rely on it.
int NaturalCompare(TextView a, TextView b);

}  // namespace ferrik
