#pragma once

// A command of the user's, from its first step to its last. Commands run
// one at a time on the window's thread, each to its end. A command may
// wait for work beside the window (besidewindow.h); while it waits, the
// window's event loop turns, so that the window paints and answers the
// window system, but nothing else begins:
//
// - the user's input (clicks and double clicks, keys, wheel turns, the
//   pointer's comings and goings, input methods' text, drops) is held as it
//   was given (heldinput.h) and delivered once the command has ended, in
//   the order given, as a busy window's input waits for it: a click acts
//   once, on the control it was given to, wherever the pointer went since;
// - what assistive technology does to a control meanwhile (heldaccessible.h)
//   waits in the same queue, in its place among the input;
// - a command asked for meanwhile by anything else, and work posted to wait
//   for commands (whenIdle), run then too, in the same order;
// - what a command leaves to be said (afterCommand: its error box) comes
//   first, right after the command.
//
// Closing the window that runs the commands (abandonOnClose) ends the
// command in progress at its next wait, which throws CommandAbandoned, and
// drops whatever was held for later.

#include <QObject>

#include <exception>
#include <functional>

class QEventLoop;
class QWidget;

// The window closed while a command waited: the command ends where it is,
// and nothing is reported.
class CommandAbandoned : public std::exception
{
public:
    const char *what() const noexcept override { return "command abandoned"; }
};

// Runs step; an error that leaves it is kept in error (the first one kept)
// instead of ending the command, for steps that what follows them must not
// wait on: the command throws it once that is done. The window's closing
// ends the command at once all the same.
template<typename Step>
void keepFirstError(std::exception_ptr &error, Step &&step)
{
    try {
        step();
    } catch (const CommandAbandoned &) {
        throw;
    } catch (...) {
        if (!error)
            error = std::current_exception();
    }
}

class CommandScope
{
public:
    // A command begins; one begun inside another is part of it.
    CommandScope();
    // It ends: what waited for it follows, from the event loop.
    ~CommandScope();
    CommandScope(const CommandScope &) = delete;
    CommandScope &operator=(const CommandScope &) = delete;

    static bool running();
    // Whether the command in progress is waiting for work beside the
    // window, its event loop turning: anything that would begin now would
    // begin inside it.
    static bool waiting();
    // Whether input given now would be held: a command runs, or input held
    // before now still waits its turn.
    static bool holdsInput();

    // Runs work once no command runs and what was held before it has gone
    // its way; from the event loop, never inside the caller.
    static void whenIdle(std::function<void()> work);
    // Runs work right after the command in progress, before anything held
    // during it; from the event loop as whenIdle when none runs.
    static void afterCommand(std::function<void()> work);

    // Closing window ends the command in progress at its next wait.
    static void abandonOnClose(QWidget *window);
    // Whether the command in progress has been given up.
    static bool abandoned();
    // Gives it up: the program is ending.
    static void abandon();

    // While it lives, the command in progress waits in loop, which turns
    // the event loop: input is held, and the window's closing quits loop.
    class Wait
    {
    public:
        explicit Wait(QEventLoop *loop);
        ~Wait();
        Wait(const Wait &) = delete;
        Wait &operator=(const Wait &) = delete;

    private:
        QEventLoop *m_outer;
    };
};
