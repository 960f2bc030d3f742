#include "common/stop_flag.h"

namespace ferrik {

std::int32_t StopFlag = 0;

}  // namespace ferrik
