#include "commandscope.h"

#include "heldinput.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QWidget>

#include <deque>
#include <optional>
#include <utility>

namespace {

// A touch or a pen on a window, from the window system.
bool isTouchOrPen(const QObject *receiver, const QEvent *event)
{
    if (!receiver->isWindowType() || !event->spontaneous())
        return false;
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

// Something that waits for the command in progress: input to deliver
// again, or work to run.
struct Pending
{
    std::optional<HeldInput> input;
    std::function<void()> work;
};

class Commands : public QObject
{
public:
    int depth = 0;
    int waits = 0;
    bool abandoned = false;
    bool windowClosed = false;
    QEventLoop *loop = nullptr;
    std::deque<std::function<void()>> afterwards;
    std::deque<Pending> held;

    void hold(Pending pending)
    {
        held.push_back(std::move(pending));
        watchInput();
    }

    void watchInput()
    {
        if (!m_watching) {
            qApp->installEventFilter(this);
            m_watching = true;
        }
    }

    void drainLater()
    {
        if (m_drainPosted)
            return;
        m_drainPosted = true;
        QMetaObject::invokeMethod(this, [this] { drain(); }, Qt::QueuedConnection);
    }

    void abandon()
    {
        abandoned = true;
        afterwards.clear();
        held.clear();
        if (loop)
            loop->quit();
    }

    // Input waits while a command runs, and while input held before it
    // waits its turn, but for what is being delivered now.
    bool holdsInput() const { return depth > 0 || (!m_delivering && !held.empty()); }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (!holdsInput())
            return false;
        if (event->type() == QEvent::ShortcutOverride && event->spontaneous()) {
            // Taken as no shortcut, so that the key itself comes to its
            // window and is held; it is tried as one when delivered.
            event->accept();
            return true;
        }
        if (isTouchOrPen(receiver, event)) {
            // Declined, as the window's controls decline it: Qt then gives
            // it again as the pointer's input, which is held.
            event->ignore();
            return true;
        }
        if (std::optional<HeldInput> input = HeldInput::take(receiver, event)) {
            hold({std::move(input), nullptr});
            return true;
        }
        return false;
    }

private:
    void drain()
    {
        m_drainPosted = false;
        if (m_draining)
            return; // an error box's own event loop: the drain under way goes on after it
        m_draining = true;
        while (depth == 0 && (!afterwards.empty() || !held.empty())) {
            Pending next;
            if (!afterwards.empty()) {
                next.work = std::move(afterwards.front());
                afterwards.pop_front();
            } else {
                next = std::move(held.front());
                held.pop_front();
            }
            m_delivering = true;
            deliver(next);
            m_delivering = false;
        }
        m_draining = false;
        if (depth == 0 && held.empty() && m_watching) {
            qApp->removeEventFilter(this);
            m_watching = false;
        }
    }

    static void deliver(const Pending &pending)
    {
        if (pending.work)
            pending.work();
        else
            pending.input->deliver();
    }

    bool m_drainPosted = false;
    bool m_draining = false;
    bool m_delivering = false;
    bool m_watching = false;
};

Commands &commands()
{
    static Commands *instance = [] {
        auto *made = new Commands;
        made->setParent(qApp); // goes with the application
        return made;
    }();
    return *instance;
}

// Notices the window's closing: it is hidden, by a close or by code, not by
// the window system (a minimised window is hidden spontaneously).
class CloseWatch : public QObject
{
public:
    explicit CloseWatch(QWidget *window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->spontaneous())
            return false;
        if (event->type() == QEvent::Show)
            commands().windowClosed = false;
        if (event->type() == QEvent::Hide) {
            commands().windowClosed = true;
            if (commands().waits > 0)
                commands().abandon();
        }
        return false;
    }
};

} // namespace

CommandScope::CommandScope()
{
    Commands &all = commands();
    if (all.depth++ == 0)
        all.abandoned = false;
}

CommandScope::~CommandScope()
{
    Commands &all = commands();
    if (--all.depth > 0)
        return;
    if (all.abandoned)
        all.abandon(); // whatever came in after the window closed goes too
    if (!all.afterwards.empty() || !all.held.empty())
        all.drainLater();
}

bool CommandScope::running()
{
    return commands().depth > 0;
}

bool CommandScope::waiting()
{
    return commands().waits > 0;
}

bool CommandScope::holdsInput()
{
    return commands().holdsInput();
}

void CommandScope::whenIdle(std::function<void()> work)
{
    Commands &all = commands();
    all.held.push_back({std::nullopt, std::move(work)});
    if (all.depth == 0)
        all.drainLater();
}

void CommandScope::afterCommand(std::function<void()> work)
{
    Commands &all = commands();
    all.afterwards.push_back(std::move(work));
    if (all.depth == 0)
        all.drainLater();
}

void CommandScope::abandonOnClose(QWidget *window)
{
    new CloseWatch(window);
}

bool CommandScope::abandoned()
{
    return commands().abandoned;
}

void CommandScope::abandon()
{
    commands().abandon();
}

CommandScope::Wait::Wait(QEventLoop *loop) : m_outer(commands().loop)
{
    Commands &all = commands();
    ++all.waits;
    all.loop = loop;
    all.watchInput();
    if (all.windowClosed) // closed before the command began to wait
        all.abandon();
}

CommandScope::Wait::~Wait()
{
    Commands &all = commands();
    --all.waits;
    all.loop = m_outer;
}
