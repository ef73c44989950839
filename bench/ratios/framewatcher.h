#pragma once

// Knowing when a window's frame is on the screen. Qt paints a window and
// flushes what it painted to the screen within the one event that paints it
// (an expose or an update request), so a frame is out as soon as the event
// in which a widget of the window got its paint event has ended. The
// watcher notes the first such paint and posts itself an event of high
// priority, which the event loop delivers right after that one.

#include <QObject>

#include <functional>

class QWidget;

class FrameWatcher : public QObject
{
public:
    // Watches window, or, given nullptr, the first top-level window that
    // paints. The watcher sees every event of the application.
    explicit FrameWatcher(QWidget *window = nullptr);

    QWidget *window() const { return m_window; }

    // Calls done once the window's next frame has been flushed, from the
    // event loop. A later call replaces an earlier one still waiting.
    void onNextFrame(std::function<void()> done);

    // Runs command and returns once the window answers again: the frame
    // that follows the command has been flushed and nothing the command
    // left queued behind it (further updates, layout requests) is waiting.
    // Throws std::runtime_error when no frame comes within ten seconds: the
    // command changed nothing that shows.
    void runUntilShown(const std::function<void()> &command);

    // Returns once nothing is queued: every event posted before, and every
    // event those posted in turn, has been delivered. Timers are not waited
    // for.
    void finishQueuedWork();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void waitForFrame();

    QWidget *m_window;
    std::function<void()> m_done;
    bool m_painted = false;    // a paint was seen; its frame is not out yet
    bool m_queueEnded = false; // the marker posted behind the queue came back
    int m_delivered = 0;       // events delivered since the marker was posted
};
