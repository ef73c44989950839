#pragma once

// Work that a window's first frame does not show, run once that frame is
// out. Qt paints a window and shows the frame within one event; a call
// queued from the first paint comes when that event is over, and, as all
// posted work, never inside a command (CommandScope::whenIdle). The
// watcher belongs to the window and goes with it.

#include <QObject>

#include <functional>

class QWidget;

class AfterFirstFrame : public QObject
{
public:
    AfterFirstFrame(QWidget *window, std::function<void()> work);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_work;
};
