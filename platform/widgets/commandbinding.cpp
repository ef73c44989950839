#include "commandbinding.h"

#include "errorreporter.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QSignalBlocker>

#include <stdexcept>

namespace {

class PointerLeaveFilter : public QObject
{
public:
    PointerLeaveFilter(QObject *parent, std::function<void()> command)
        : QObject(parent), m_command(std::move(command))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Leave)
            runCommand(m_command);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_command;
};

// Notes whether the last event that reached a button is the release of a
// pointer button. A button toggles while it handles the event that caused
// it, before any other event reaches it, so at the toggle this tells a
// pointer's click from a key's (key release), from assistive technology's
// (a timer, or none) and from a change made by code (none).
class PointerReleaseWatch : public QObject
{
public:
    explicit PointerReleaseWatch(QObject *parent) : QObject(parent) {}
    bool inPointerRelease() const { return m_inPointerRelease; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        m_inPointerRelease = event->type() == QEvent::MouseButtonRelease;
        return false;
    }

private:
    bool m_inPointerRelease = false;
};

} // namespace

void bindCommand(QObject *control, std::function<void()> command)
{
    if (auto *action = qobject_cast<QAction *>(control)) {
        QObject::connect(action, &QAction::triggered, action, [action, command](bool checked) {
            if (action->isCheckable()) {
                const QSignalBlocker quiet(action);
                action->setChecked(!checked);
            }
            runCommand(command);
        });
    } else if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        QObject::connect(button, &QAbstractButton::clicked, button, [command] { runCommand(command); });
    } else if (auto *list = qobject_cast<QComboBox *>(control)) {
        QObject::connect(list, &QComboBox::activated, list, [command] { runCommand(command); });
    } else {
        throw std::logic_error("no command event for " + control->objectName().toStdString());
    }
}

void bindPointerLeave(QWidget *widget, std::function<void()> command)
{
    auto *filter = new PointerLeaveFilter(widget, std::move(command));
    widget->installEventFilter(filter);
}

void bindToggleWithoutPointer(QAbstractButton *button, std::function<void()> command)
{
    auto *watch = new PointerReleaseWatch(button);
    button->installEventFilter(watch);
    QObject::connect(button, &QAbstractButton::toggled, watch, [watch, command] {
        if (!watch->inPointerRelease())
            runCommand(command);
    });
}
