#pragma once

// One piece of the user's input, held while a command runs (commandscope.h)
// and delivered once the command has ended. It is kept as the values it
// came with, taken when it is held: the pointer's places (in the window
// and on the screen), its button and the buttons down, the modifier keys,
// the time and the device; a key's code, text, scan code and repeat; a
// wheel's turn and phase; an input method's text and composition; a drop's
// place, action and data. When its turn comes, an event is made from them,
// so it acts as it was given whatever the pointer, the keyboard or the
// window did meanwhile. A held event of Qt's own would not do: one made for
// a pointer shares that pointer's live state, so that a release delivered
// later would report where the pointer has gone since, and click nothing.
//
// A press that Qt followed with a double click stays marked so, and the
// double click itself is held as one: delivered, they act as Qt's own do
// (the window passes no such press on; the double click takes its place).
// A press and its release delivered to a window reach the control the
// press was given to, as live ones do, so a click clicks once, where it
// was given.

#include <QObject>

#include <memory>
#include <optional>

class HeldInput
{
public:
    // The user's input reaching receiver: pointer, wheel, keys and the
    // keyboard's context menu key as the window system gives them to a
    // window, a drop on a window, an input method's text for its control.
    // Nothing for any other event. A drop is answered at once, to the
    // program it comes from: taken, as a copy where it offers one, so that
    // its data stays there too. (The drag that brings it is answered by the
    // control under it meanwhile, as the window paints meanwhile.)
    static std::optional<HeldInput> take(QObject *receiver, QEvent *event);

    // Delivers it again, as it was given: pointer, wheel and drops to the
    // window they were given to, keys and typed text to where that window's
    // keyboard goes now (input held before them may have moved it, as it
    // would have). Nothing once that window is gone.
    void deliver() const;

    HeldInput(HeldInput &&) noexcept;
    HeldInput &operator=(HeldInput &&) noexcept;
    ~HeldInput();

private:
    struct Given;
    explicit HeldInput(std::unique_ptr<Given> given);

    std::unique_ptr<Given> m_given;
};
