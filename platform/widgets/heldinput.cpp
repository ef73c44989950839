#include "heldinput.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QPointingDevice>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <variant>

namespace {

struct Mouse
{
    QEvent::Type type;
    QPointF local, scene, global;
    Qt::MouseButton button;
    Qt::MouseButtons buttons;
    Qt::MouseEventSource source;
    bool madeDoubleClick;
};

struct Wheel
{
    QPointF local, global;
    QPoint pixelDelta, angleDelta;
    Qt::MouseButtons buttons;
    Qt::ScrollPhase phase;
    bool inverted;
    Qt::MouseEventSource source;
};

// The pointer coming into the window, and leaving it.
struct Enter
{
    QPointF local, scene, global;
};
struct Leave
{
};

struct Key
{
    QEvent::Type type;
    int key;
    quint32 scanCode, virtualKey, nativeModifiers;
    QString text;
    bool autoRepeat;
    quint16 count;
};

struct ContextMenu
{
    QContextMenuEvent::Reason reason;
    QPoint local, global;
};

// An input method's composition and the text it commits.
struct InputText
{
    QString preedit;
    QList<QInputMethodEvent::Attribute> attributes;
    QString commit;
    int replacementStart, replacementLength;
};

struct Drop
{
    QPointF place;
    Qt::DropAction action;
    std::shared_ptr<const QMimeData> data;
    Qt::MouseButtons buttons;
};

// A mouse event made from held values; a press that Qt followed with a
// double click is marked so again (QMouseEvent::flags), as only an event
// of the kind can mark it.
class MouseEventAgain : public QMouseEvent
{
public:
    MouseEventAgain(const Mouse &mouse, Qt::KeyboardModifiers modifiers, const QPointingDevice *device)
        : QMouseEvent(mouse.type, mouse.local, mouse.scene, mouse.global, mouse.button, mouse.buttons,
                      modifiers, mouse.source, device)
    {
        m_doubleClick = mouse.madeDoubleClick;
    }
};

// Where a window's keys go, as the window itself would send them.
QObject *keyboardFocus(QWindow *window)
{
    if (QWidget *grabber = QWidget::keyboardGrabber())
        return grabber;
    if (QWidget *popup = QApplication::activePopupWidget())
        return popup->focusWidget() ? popup->focusWidget() : popup;
    if (QObject *focus = window->focusObject())
        return focus;
    return window;
}

QWindow *windowOf(QObject *object)
{
    if (auto *widget = qobject_cast<QWidget *>(object))
        return widget->window()->windowHandle();
    return qobject_cast<QWindow *>(object);
}

} // namespace

struct HeldInput::Given
{
    QPointer<QObject> receiver;
    Qt::KeyboardModifiers modifiers;
    quint64 timestamp = 0;
    QPointer<const QInputDevice> device;
    std::variant<Mouse, Wheel, Enter, Leave, Key, ContextMenu, InputText, Drop> values;

    const QPointingDevice *pointingDevice() const
    {
        const auto *pointing = qobject_cast<const QPointingDevice *>(device.data());
        return pointing ? pointing : QPointingDevice::primaryPointingDevice();
    }

    void send(QEvent &event) const { QCoreApplication::sendEvent(receiver, &event); }

    template<typename Event>
    void sendInput(Event &&event) const
    {
        event.setTimestamp(timestamp);
        send(event);
    }

    void deliver(const Mouse &mouse) const { sendInput(MouseEventAgain(mouse, modifiers, pointingDevice())); }

    void deliver(const Wheel &wheel) const
    {
        sendInput(QWheelEvent(wheel.local, wheel.global, wheel.pixelDelta, wheel.angleDelta, wheel.buttons, modifiers,
                              wheel.phase, wheel.inverted, wheel.source, pointingDevice()));
    }

    void deliver(const Enter &enter) const
    {
        sendInput(QEnterEvent(enter.local, enter.scene, enter.global, pointingDevice()));
    }

    void deliver(const Leave &) const
    {
        QEvent leave(QEvent::Leave);
        send(leave);
    }

    void deliver(const Key &key) const
    {
        // Played back as keys are: to the window's keyboard focus, which
        // tries them as shortcuts first.
        QKeyEvent again(key.type, key.key, modifiers, key.scanCode, key.virtualKey, key.nativeModifiers, key.text,
                        key.autoRepeat, key.count, device ? device.data() : QInputDevice::primaryKeyboard());
        again.setTimestamp(timestamp);
        QCoreApplication::sendEvent(keyboardFocus(qobject_cast<QWindow *>(receiver)), &again);
    }

    void deliver(const ContextMenu &menu) const
    {
        sendInput(QContextMenuEvent(menu.reason, menu.local, menu.global, modifiers));
    }

    void deliver(const InputText &text) const
    {
        QInputMethodEvent again(text.preedit, text.attributes);
        again.setCommitString(text.commit, text.replacementStart, text.replacementLength);
        QWindow *window = windowOf(receiver);
        QCoreApplication::sendEvent(window ? keyboardFocus(window) : receiver.data(), &again);
    }

    void deliver(const Drop &drop) const
    {
        // Dragged there again first: the window gives a drop to the control
        // that the drag last reached.
        QDragMoveEvent move(drop.place.toPoint(), drop.action, drop.data.get(), drop.buttons, modifiers);
        send(move);
        QDropEvent again(drop.place, drop.action, drop.data.get(), drop.buttons, modifiers);
        send(again);
    }
};

HeldInput::HeldInput(std::unique_ptr<Given> given) : m_given(std::move(given)) {}
HeldInput::HeldInput(HeldInput &&) noexcept = default;
HeldInput &HeldInput::operator=(HeldInput &&) noexcept = default;
HeldInput::~HeldInput() = default;

std::optional<HeldInput> HeldInput::take(QObject *receiver, QEvent *event)
{
    auto given = std::make_unique<Given>();
    given->receiver = receiver;
    if (const auto *input = dynamic_cast<const QInputEvent *>(event)) {
        given->modifiers = input->modifiers();
        given->timestamp = input->timestamp();
        given->device = input->device();
    }
    const QEvent::Type type = event->type();
    if (type == QEvent::InputMethod) {
        const auto *text = static_cast<const QInputMethodEvent *>(event);
        given->values = InputText{text->preeditString(), text->attributes(), text->commitString(),
                                  text->replacementStart(), text->replacementLength()};
        return HeldInput(std::move(given));
    }
    if (!receiver->isWindowType())
        return std::nullopt;
    if (type == QEvent::Drop) {
        // Qt sends a drop to its window itself, not as the window system's.
        auto *drop = static_cast<QDropEvent *>(event);
        auto data = std::make_shared<QMimeData>();
        if (const QMimeData *offered = drop->mimeData()) {
            for (const QString &format : offered->formats())
                data->setData(format, offered->data(format));
        }
        drop->setDropAction(drop->possibleActions().testFlag(Qt::CopyAction) ? Qt::CopyAction
                                                                             : drop->proposedAction());
        drop->accept();
        given->modifiers = drop->modifiers();
        given->values = Drop{drop->position(), drop->dropAction(), std::move(data), drop->buttons()};
        return HeldInput(std::move(given));
    }
    if (!event->spontaneous())
        return std::nullopt;
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<const QMouseEvent *>(event);
        given->values = Mouse{type,
                                mouse->position(),
                                mouse->scenePosition(),
                                mouse->globalPosition(),
                                mouse->button(),
                                mouse->buttons(),
                                mouse->source(),
                                mouse->flags().testFlag(Qt::MouseEventCreatedDoubleClick)};
        break;
    }
    case QEvent::Wheel: {
        const auto *wheel = static_cast<const QWheelEvent *>(event);
        given->values = Wheel{wheel->position(), wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                              wheel->buttons(), wheel->phase(), wheel->inverted(), wheel->source()};
        break;
    }
    case QEvent::Enter: {
        const auto *enter = static_cast<const QEnterEvent *>(event);
        given->values = Enter{enter->position(), enter->scenePosition(), enter->globalPosition()};
        break;
    }
    case QEvent::Leave:
        given->values = Leave{};
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto *key = static_cast<const QKeyEvent *>(event);
        given->values = Key{type,
                            key->key(),
                            key->nativeScanCode(),
                            key->nativeVirtualKey(),
                            key->nativeModifiers(),
                            key->text(),
                            key->isAutoRepeat(),
                            quint16(key->count())};
        break;
    }
    case QEvent::ContextMenu: {
        const auto *menu = static_cast<const QContextMenuEvent *>(event);
        given->values = ContextMenu{menu->reason(), menu->pos(), menu->globalPos()};
        break;
    }
    default:
        return std::nullopt;
    }
    return HeldInput(std::move(given));
}

void HeldInput::deliver() const
{
    if (!m_given->receiver)
        return;
    std::visit([this](const auto &values) { m_given->deliver(values); }, m_given->values);
}
