#pragma once

// Binding controls to the window's commands. Every command runs inside
// runCommand, so an error that leaves it reaches the error report.
//
// Menu marks are set by code only: a checkable menu item toggles its own mark
// before it reports a click, so the binding takes that back before the
// command runs and the command sees the mark as code left it.

#include <QObject>

#include <functional>

class QAbstractButton;
class QWidget;

// A push button's click, a menu item's choice or a list's pick by the user
// (never a selection made from code).
void bindCommand(QObject *control, std::function<void()> command);

// The pointer leaving a widget.
void bindPointerLeave(QWidget *widget, std::function<void()> command);

// A check box or toggle button changing state by any means but a pointer
// click: a key, assistive technology, or code. The pointer's leaving follows
// a pointer click; the others come with no pointer at all. Since a change
// made by code runs the command too, it suits a command that only brings
// something into step with the button.
void bindToggleWithoutPointer(QAbstractButton *button, std::function<void()> command);
