#include "afterfirstframe.h"

#include "commandscope.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

AfterFirstFrame::AfterFirstFrame(QWidget *window, std::function<void()> work)
    : QObject(window), m_work(std::move(work))
{
    window->installEventFilter(this);
}

bool AfterFirstFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        CommandScope::whenIdle([watcher = QPointer<AfterFirstFrame>(this)] {
            if (!watcher)
                return;
            watcher->m_work();
            watcher->deleteLater();
        });
    }
    return false;
}
