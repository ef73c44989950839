#include "heldaccessible.h"

#include "commandscope.h"

#include <QAccessible>
#include <QCheckBox>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>

#include <functional>

namespace {

// The widget whose reading the factory is asking for, to be wrapped: it is
// not asked again for that widget meanwhile.
QObject *makingReadingOf = nullptr;

// A press that waited clicks a push button or check box when its turn
// comes: Qt's press shows the button down for a moment and clicks it after
// that, when input held after the press would already have acted.
void actLater(QAccessibleInterface *reading, const QString &action)
{
    QObject *widget = reading->object();
    auto *push = qobject_cast<QPushButton *>(widget);
    auto *button = push && !push->menu() ? static_cast<QAbstractButton *>(push) : qobject_cast<QCheckBox *>(widget);
    if (button && action == QAccessibleActionInterface::pressAction()) {
        if (button->isEnabled())
            button->click();
        return;
    }
    reading->actionInterface()->doAction(action);
}

// A widget's reading, which answers everything but what acts on the
// widget: that is handed to CommandScope while input is held.
class HeldAccessible : public QAccessibleInterface,
                       public QAccessibleActionInterface,
                       public QAccessibleTextInterface,
                       public QAccessibleEditableTextInterface,
                       public QAccessibleValueInterface
{
public:
    explicit HeldAccessible(QAccessibleInterface *reading)
        : m_reading(reading), m_readingId(QAccessible::uniqueId(reading))
    {
    }
    ~HeldAccessible() override { QAccessible::deleteAccessibleInterface(m_readingId); }
    HeldAccessible(const HeldAccessible &) = delete;
    HeldAccessible &operator=(const HeldAccessible &) = delete;

    bool isValid() const override { return m_reading->isValid(); }
    QObject *object() const override { return m_reading->object(); }
    QWindow *window() const override { return m_reading->window(); }
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        return m_reading->relations(match);
    }
    QAccessibleInterface *focusChild() const override { return m_reading->focusChild(); }
    QAccessibleInterface *childAt(int x, int y) const override { return m_reading->childAt(x, y); }
    QAccessibleInterface *parent() const override { return m_reading->parent(); }
    QAccessibleInterface *child(int index) const override { return m_reading->child(index); }
    int childCount() const override { return m_reading->childCount(); }
    int indexOfChild(const QAccessibleInterface *child) const override { return m_reading->indexOfChild(child); }
    QString text(QAccessible::Text kind) const override { return m_reading->text(kind); }
    void setText(QAccessible::Text kind, const QString &text) override
    {
        act([kind, text](QAccessibleInterface *reading) { reading->setText(kind, text); });
    }
    QRect rect() const override { return m_reading->rect(); }
    QAccessible::Role role() const override { return m_reading->role(); }
    QAccessible::State state() const override { return m_reading->state(); }
    QColor foregroundColor() const override { return m_reading->foregroundColor(); }
    QColor backgroundColor() const override { return m_reading->backgroundColor(); }
    void virtual_hook(int id, void *data) override { m_reading->virtual_hook(id, data); }

    // The reading's own kinds of interface; those that act are wrapped.
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        void *own = m_reading->interface_cast(type);
        if (!own)
            return nullptr;
        switch (type) {
        case QAccessible::ActionInterface:
            return static_cast<QAccessibleActionInterface *>(this);
        case QAccessible::TextInterface:
            return static_cast<QAccessibleTextInterface *>(this);
        case QAccessible::EditableTextInterface:
            return static_cast<QAccessibleEditableTextInterface *>(this);
        case QAccessible::ValueInterface:
            return static_cast<QAccessibleValueInterface *>(this);
        default:
            return own;
        }
    }

    // QAccessibleActionInterface
    QStringList actionNames() const override { return m_reading->actionInterface()->actionNames(); }
    QString localizedActionName(const QString &action) const override
    {
        return m_reading->actionInterface()->localizedActionName(action);
    }
    QString localizedActionDescription(const QString &action) const override
    {
        return m_reading->actionInterface()->localizedActionDescription(action);
    }
    QStringList keyBindingsForAction(const QString &action) const override
    {
        return m_reading->actionInterface()->keyBindingsForAction(action);
    }
    void doAction(const QString &action) override
    {
        act([action](QAccessibleInterface *reading) { reading->actionInterface()->doAction(action); },
            [action](QAccessibleInterface *reading) { actLater(reading, action); });
    }

    // QAccessibleTextInterface
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        m_reading->textInterface()->selection(selectionIndex, startOffset, endOffset);
    }
    int selectionCount() const override { return m_reading->textInterface()->selectionCount(); }
    void addSelection(int startOffset, int endOffset) override
    {
        act([=](QAccessibleInterface *reading) { reading->textInterface()->addSelection(startOffset, endOffset); });
    }
    void removeSelection(int selectionIndex) override
    {
        act([=](QAccessibleInterface *reading) { reading->textInterface()->removeSelection(selectionIndex); });
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        act([=](QAccessibleInterface *reading) {
            reading->textInterface()->setSelection(selectionIndex, startOffset, endOffset);
        });
    }
    int cursorPosition() const override { return m_reading->textInterface()->cursorPosition(); }
    void setCursorPosition(int position) override
    {
        act([=](QAccessibleInterface *reading) { reading->textInterface()->setCursorPosition(position); });
    }
    QString text(int startOffset, int endOffset) const override
    {
        return m_reading->textInterface()->text(startOffset, endOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                             int *endOffset) const override
    {
        return m_reading->textInterface()->textBeforeOffset(offset, boundary, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                            int *endOffset) const override
    {
        return m_reading->textInterface()->textAfterOffset(offset, boundary, startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                         int *endOffset) const override
    {
        return m_reading->textInterface()->textAtOffset(offset, boundary, startOffset, endOffset);
    }
    int characterCount() const override { return m_reading->textInterface()->characterCount(); }
    QRect characterRect(int offset) const override { return m_reading->textInterface()->characterRect(offset); }
    int offsetAtPoint(const QPoint &point) const override { return m_reading->textInterface()->offsetAtPoint(point); }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        act([=](QAccessibleInterface *reading) { reading->textInterface()->scrollToSubstring(startIndex, endIndex); });
    }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        return m_reading->textInterface()->attributes(offset, startOffset, endOffset);
    }

    // QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override
    {
        act([=](QAccessibleInterface *reading) {
            reading->editableTextInterface()->deleteText(startOffset, endOffset);
        });
    }
    void insertText(int offset, const QString &text) override
    {
        act([=](QAccessibleInterface *reading) { reading->editableTextInterface()->insertText(offset, text); });
    }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        act([=](QAccessibleInterface *reading) {
            reading->editableTextInterface()->replaceText(startOffset, endOffset, text);
        });
    }

    // QAccessibleValueInterface
    QVariant currentValue() const override { return m_reading->valueInterface()->currentValue(); }
    void setCurrentValue(const QVariant &value) override
    {
        act([=](QAccessibleInterface *reading) { reading->valueInterface()->setCurrentValue(value); });
    }
    QVariant maximumValue() const override { return m_reading->valueInterface()->maximumValue(); }
    QVariant minimumValue() const override { return m_reading->valueInterface()->minimumValue(); }
    QVariant minimumStepSize() const override { return m_reading->valueInterface()->minimumStepSize(); }

private:
    using Act = std::function<void(QAccessibleInterface *reading)>;

    // Acts on the widget's reading now, or, while input is held, later
    // when its turn comes, on the reading the widget has then.
    void act(const Act &now, Act later = nullptr)
    {
        if (!CommandScope::holdsInput()) {
            now(m_reading);
            return;
        }
        CommandScope::whenIdle([widget = QPointer<QObject>(object()), deferred = later ? later : now] {
            if (!widget)
                return;
            if (auto *held = dynamic_cast<HeldAccessible *>(QAccessible::queryAccessibleInterface(widget)))
                deferred(held->m_reading);
        });
    }

    QAccessibleInterface *m_reading;
    QAccessible::Id m_readingId;
};

QAccessibleInterface *holdingFactory(const QString &className, QObject *object)
{
    // Asked once a widget, with its own class: not again for the classes
    // it is made from, nor for the reading being made here.
    if (!object || object == makingReadingOf || !object->isWidgetType()
        || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    const QScopedValueRollback<QObject *> making(makingReadingOf, object);
    QAccessibleInterface *reading = QAccessible::queryAccessibleInterface(object);
    return reading ? new HeldAccessible(reading) : nullptr;
}

} // namespace

void holdAccessibleActions()
{
    QAccessible::removeFactory(holdingFactory);
    QAccessible::installFactory(holdingFactory);
}
