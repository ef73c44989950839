// The probe that the benchmark preloads (LD_PRELOAD) into a Qt program it
// starts, so that the program runs as shipped, with nothing of the probe in
// it. When the application object is made, the probe starts watching; it
// writes to standard output, which the benchmark reads through a pipe:
//
//   frame <ns> <cpu ns>  the monotonic clock and the process's CPU time once
//                        the first frame of the first top-level window that
//                        paints has been flushed (on X11: once the server
//                        has answered a request sent behind it)
//   peak <kB>            the process's peak resident size (VmHWM) after that
//                        frame and, in a window with the show-cards button,
//                        one reading, once the window answers again after it
//   slot22 <text>        after the reading: the text in the last slot, UTF-8
//
// and then ends the process at once. With KUERUMI_PROBE_IDLE set, the probe
// clicks nothing: once the work that the first frame left queued is done
// (the program's backs for the slots that frame did not show), it writes
//
//   idle <cpu ns>        the process's CPU time then
//
// and leaves the program alone; SIGUSR1 then makes it write
//
//   cpu <cpu ns>         the process's CPU time now
//
// and end the process.

#include "framewatcher.h"

#include <xcb/xcb.h> // before Qt's X11 interface, which uses its types

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QWidget>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

FrameWatcher *watcher = nullptr;

long long nanoseconds(clockid_t clock)
{
    timespec now;
    clock_gettime(clock, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

void report(const std::string &line)
{
    const std::string text = line + '\n';
    for (size_t done = 0; done < text.size();) {
        const ssize_t written = write(1, text.data() + done, text.size() - done);
        if (written <= 0)
            _exit(4);
        done += size_t(written);
    }
}

long peakResidentKb()
{
    FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kb = std::strtol(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return kb;
}

// A press and a release of the left button in the middle of the button,
// delivered through the application as the window system's would be.
void clickWithMouse(QPushButton *button)
{
    const QPointF middle = QRectF(button->rect()).center();
    const QPointF global = button->mapToGlobal(middle);
    QMouseEvent press(QEvent::MouseButtonPress, middle, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, middle, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(button, &release);
}

[[noreturn]] void finish(QWidget *window)
{
    report("peak " + std::to_string(peakResidentKb()));
    if (auto *last = window->findChild<QLineEdit *>(QStringLiteral("Edit22")))
        report("slot22 " + last->text().toStdString());
    _exit(0);
}

// On X11 the frame is out once the server has it: a request that waits for
// its answer sends everything queued before it, the frame among it, and the
// server answers it only after all of that.
void waitForTheServer()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return;
    xcb_connection_t *connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

// The CPU time, written from the signal's handler, which may call only
// what is safe there: no allocation, no stdio.
void reportCpuAndEnd(int)
{
    char line[32] = "cpu ";
    char digits[20];
    long long left = nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
    int count = 0;
    do {
        digits[count++] = char('0' + left % 10);
        left /= 10;
    } while (left > 0);
    size_t length = 4;
    while (count > 0)
        line[length++] = digits[--count];
    line[length++] = '\n';
    for (size_t done = 0; done < length;) {
        const ssize_t written = write(1, line + done, length - done);
        if (written <= 0)
            _exit(4);
        done += size_t(written);
    }
    _exit(0);
}

void leaveIdle()
{
    watcher->finishQueuedWork();
    std::signal(SIGUSR1, reportCpuAndEnd);
    report("idle " + std::to_string(nanoseconds(CLOCK_PROCESS_CPUTIME_ID)));
}

void firstFrame()
{
    waitForTheServer();
    report("frame " + std::to_string(nanoseconds(CLOCK_MONOTONIC)) + ' '
           + std::to_string(nanoseconds(CLOCK_PROCESS_CPUTIME_ID)));
    if (std::getenv("KUERUMI_PROBE_IDLE")) {
        leaveIdle();
        return;
    }
    QWidget *window = watcher->window();
    auto *showCards = window->findChild<QPushButton *>(QStringLiteral("btn1uranaikaisi"));
    if (!showCards)
        finish(window);
    // The reading turns the event loop while its pictures load, and may
    // flush frames before its last card shows: the peak is read once the
    // click's command has returned and the window answers again.
    watcher->runUntilShown([showCards] { clickWithMouse(showCards); });
    finish(window);
}

void startWatching()
{
    watcher = new FrameWatcher;
    watcher->onNextFrame(firstFrame);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startWatching)
