#pragma once
#include <cstdint>

namespace ferrik {

// The program-wide stop request: 0 normally, 1 when the user asked to stop (or closed the main
// window). Every long loop tests it at fixed points; the loop that finds 1 sets it back to 0 and
// ends. A request made while nothing runs stays pending for the next run. GUI thread only.
extern std::int32_t StopFlag;

// Tests the flag the way every loop does: true (and the flag reset) when a stop was requested.
inline bool TakeStopRequest() {
    if (StopFlag == 1) {
        StopFlag = 0;
        return true;
    }
    return false;
}

}  // namespace ferrik
