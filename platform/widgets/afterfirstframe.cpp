#include "afterfirstframe.h"

#include <QEvent>
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
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_work();
                deleteLater();
            },
            Qt::QueuedConnection);
    }
    return false;
}
