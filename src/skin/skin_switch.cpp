#include "skin/skin_switch.h"

namespace ferrik {

Text UnSkin;

}  // namespace ferrik
