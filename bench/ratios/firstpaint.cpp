#include "firstpaint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

long long monotonicNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// VmHWM from /proc/self/status: the peak resident set size in kB.
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

} // namespace

FirstPaintProbe::FirstPaintProbe(QWidget *window, std::function<void()> afterPaint)
    : m_window(window), m_afterPaint(std::move(afterPaint))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool FirstPaintProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_painted && event->type() == QEvent::Paint && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == m_window) {
        m_painted = true;
        // Queued: it runs once the whole window has been painted and flushed,
        // after the event that is painting it now.
        QMetaObject::invokeMethod(this, &FirstPaintProbe::finish, Qt::QueuedConnection);
    }
    return false;
}

void FirstPaintProbe::finish()
{
    std::printf("paint %lld\n", monotonicNanoseconds());
    if (m_afterPaint) {
        m_afterPaint();
        QCoreApplication::processEvents(); // the repaint that the work asked for
    }
    std::printf("peak %ld\n", peakResidentKb());
    std::fflush(stdout);
    QCoreApplication::exit(0);
}
