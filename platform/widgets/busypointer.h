#pragma once

// The busy pointer over the program's windows while a command runs long.
// A command runs to its end on the window's thread, where timers fire only
// while it waits for work beside the window: its long work calls
// stillWorking() between its steps, and so does a wait once the pointer is
// due (dueIn). The first call once the command has run for delay() sets the
// busy pointer, which stays until the command ends. A command of a few
// milliseconds never shows it.

#include <chrono>
#include <optional>

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
    // How long until the pointer is due: nothing when it shows already, or
    // no command runs.
    static std::optional<std::chrono::milliseconds> dueIn();

    // How long a command runs before the pointer shows: 0.3 s, unless a test
    // sets another.
    static std::chrono::milliseconds delay();
    static void setDelay(std::chrono::milliseconds delay);

private:
    bool m_outermost;
};
