#include "busypointer.h"

#include <QCursor>
#include <QGuiApplication>

#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds busyDelay{300};
bool commandRuns = false;
bool pointerShown = false;
Clock::time_point commandBegan;

} // namespace

BusyPointer::BusyPointer() : m_outermost(!commandRuns)
{
    if (!m_outermost)
        return;
    commandRuns = true;
    commandBegan = Clock::now();
}

BusyPointer::~BusyPointer()
{
    if (!m_outermost)
        return;
    if (pointerShown)
        QGuiApplication::restoreOverrideCursor();
    pointerShown = false;
    commandRuns = false;
}

void BusyPointer::stillWorking()
{
    if (!commandRuns || pointerShown || Clock::now() - commandBegan < busyDelay)
        return;
    // Set at once on the screen, although no event is handled until the
    // command ends.
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    pointerShown = true;
}

std::optional<std::chrono::milliseconds> BusyPointer::dueIn()
{
    if (!commandRuns || pointerShown)
        return std::nullopt;
    const auto ran = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - commandBegan);
    return std::max(busyDelay - ran, std::chrono::milliseconds(0));
}

std::chrono::milliseconds BusyPointer::delay()
{
    return busyDelay;
}

void BusyPointer::setDelay(std::chrono::milliseconds delay)
{
    busyDelay = delay;
}
