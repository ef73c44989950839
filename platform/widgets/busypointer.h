#pragma once

// The busy pointer over the program's windows while a command runs long.
// Commands run one at a time on the one thread, each to its end, so no timer
// can fire while one works: its long work calls stillWorking() between its
// steps, and the first call once the command has run for delay() sets the
// busy pointer, which stays until the command ends. A command of a few
// milliseconds never shows it.

#include <chrono>

class BusyPointer
{
public:
    // A command begins; one begun inside another is part of it.
    BusyPointer();
    // The command ends, and with it the busy pointer it set.
    ~BusyPointer();
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

    // Between steps of long work: shows the busy pointer once the command
    // has run for delay(). Outside a command it does nothing.
    static void stillWorking();

    // How long a command runs before the pointer shows: 0.3 s, unless a test
    // sets another.
    static std::chrono::milliseconds delay();
    static void setDelay(std::chrono::milliseconds delay);

private:
    bool m_outermost;
};
