#include "framewatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <stdexcept>

namespace {

const QEvent::Type FrameFlushed = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type QueueEnd = static_cast<QEvent::Type>(QEvent::registerEventType());

} // namespace

FrameWatcher::FrameWatcher(QWidget *window) : m_window(window)
{
    QCoreApplication::instance()->installEventFilter(this);
}

void FrameWatcher::onNextFrame(std::function<void()> done)
{
    m_done = std::move(done);
}

void FrameWatcher::runUntilShown(const std::function<void()> &command)
{
    bool flushed = false;
    onNextFrame([&] { flushed = true; });
    command();
    if (!flushed)
        waitForFrame();
    finishQueuedWork();
}

void FrameWatcher::waitForFrame()
{
    QEventLoop loop;
    bool flushed = false;
    onNextFrame([&] {
        flushed = true;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    if (!flushed) {
        m_done = nullptr;
        throw std::runtime_error("no frame was painted within ten seconds");
    }
}

// A marker posted at the lowest priority comes back after every event
// queued before it; once it comes back with no other event delivered in
// between, the queue was empty. Timers are not the command's work.
void FrameWatcher::finishQueuedWork()
{
    do {
        m_delivered = 0;
        m_queueEnded = false;
        QCoreApplication::postEvent(this, new QEvent(QueueEnd), Qt::LowEventPriority);
        while (!m_queueEnded)
            QCoreApplication::processEvents();
    } while (m_delivered > 0);
}

bool FrameWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Timer && watched != this)
        ++m_delivered;
    if (event->type() != QEvent::Paint || !m_done || m_painted || !watched->isWidgetType())
        return false;
    QWidget *window = static_cast<QWidget *>(watched)->window();
    if (!m_window)
        m_window = window;
    if (window == m_window) {
        m_painted = true;
        QCoreApplication::postEvent(this, new QEvent(FrameFlushed), Qt::HighEventPriority);
    }
    return false;
}

bool FrameWatcher::event(QEvent *event)
{
    if (event->type() == QueueEnd) {
        m_queueEnded = true;
        return true;
    }
    if (event->type() != FrameFlushed)
        return QObject::event(event);
    m_painted = false;
    if (auto done = std::move(m_done)) {
        m_done = nullptr;
        done();
    }
    return true;
}
