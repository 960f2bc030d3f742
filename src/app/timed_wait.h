#pragma once
// The batch driver's pause between polls of the player: the time passes while window messages
// keep being dispatched.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace ferrik {

// A failed wait. The number and source are those of the failure underneath; the description
// names the routine first ("[clsWaitableTimer.Wait]...").
class WaitError : public std::runtime_error {
public:
    WaitError(std::uint32_t number, std::string source, const std::string& description)
        : std::runtime_error(description), m_number(number), m_source(std::move(source)) {}
    std::uint32_t Number() const { return m_number; }
    const std::string& Source() const { return m_source; }

private:
    std::uint32_t m_number;
    std::string m_source;
};

class TimedWait {
public:
    virtual ~TimedWait() = default;
    // Returns true when the time has passed, false when the wait was cut short because the program
    // is ending. Throws WaitError.
    virtual bool Wait(std::int32_t milliseconds) = 0;
};

}  // namespace ferrik
