#pragma once

// The program's top-level error report: an error that leaves a command is
// shown in a modal message box with the stop icon and one OK button, once
// the command is over; then the program carries on.

#include "busypointer.h"
#include "commandscope.h"

#include <QApplication>

#include <exception>
#include <string>

namespace ErrorReporter {

// The caption: the program file's name without its folder, cut at its first
// ".", every character after the first in lower case.
QString applicationTitle(const QString &programFilePath);

// The message as shown: a "." is appended unless the message is empty or its
// last character is a single byte up to "." (code 46).
std::string withFullStop(std::string cp932Message);

// The user's words for an error of any kind, in code page 932.
std::string messageOf(std::exception_ptr error);

// Shows the error once the command in progress, or the current event, is
// over.
void report(std::exception_ptr error);

} // namespace ErrorReporter

// Runs a command of the user's (commandscope.h), with the busy pointer once
// it runs long; an error that leaves it goes to the report. One asked for
// while another waits runs once that one has ended.
template<typename Command>
void runCommand(Command &&command)
{
    if (CommandScope::waiting()) {
        CommandScope::whenIdle([command = std::function<void()>(command)] { runCommand(command); });
        return;
    }
    const CommandScope scope;
    const BusyPointer busy;
    try {
        command();
    } catch (const CommandAbandoned &) {
        // the window closed: nothing to say
    } catch (...) {
        ErrorReporter::report(std::current_exception());
    }
}

// The application object: errors that escape any event handler reach the
// report instead of ending the program.
class ReportingApplication : public QApplication
{
public:
    ReportingApplication(int &argc, char **argv) : QApplication(argc, argv) {}
    bool notify(QObject *receiver, QEvent *event) override;
};
