#include "outersize.h"

#include <QEvent>
#include <QWidget>

namespace {

void applyOuterSize(QWidget *window, QSize outer)
{
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    window->resize(outer - frame);
}

// Sets the size again once, when the first move or resize shows a frame.
class FrameWatcher : public QObject
{
public:
    FrameWatcher(QWidget *window, QSize outer) : QObject(window), m_window(window), m_outer(outer) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto type = event->type();
        if (watched == m_window && (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show)
            && m_window->frameGeometry().size() != m_window->geometry().size()) {
            m_window->removeEventFilter(this);
            applyOuterSize(m_window, m_outer);
            deleteLater();
        }
        return false;
    }

private:
    QWidget *m_window;
    QSize m_outer;
};

} // namespace

void setOuterSize(QWidget *window, QSize outer)
{
    applyOuterSize(window, outer);
    if (window->frameGeometry().size() == window->geometry().size())
        window->installEventFilter(new FrameWatcher(window, outer));
}
