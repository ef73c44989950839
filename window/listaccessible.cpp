#include "listaccessible.h"

#include "accessiblewith.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace {

// A list named by its own name (by its pick while it has none), its pick
// read as a text that cannot be edited or selected. Its child is the pop-up
// list, as in Qt's own reading.
class NamedListAccessible : public AccessibleWidgetWith<QAccessibleTextInterface, QAccessible::TextInterface>
{
public:
    explicit NamedListAccessible(QComboBox *list) : AccessibleWidgetWith(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return pick();
        const QString text = QAccessibleWidget::text(kind);
        return kind == QAccessible::Name && text.isEmpty() ? pick() : text;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = list()->view()->isVisible();
        return state;
    }

    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == list()->view() ? 0 : -1;
    }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction())
            list()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

    // The pick as text.
    QString text(int startOffset, int endOffset) const override
    {
        return pick().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(pick().size()); }
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    void selection(int, int *startOffset, int *endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}

private:
    QComboBox *list() const { return static_cast<QComboBox *>(widget()); }
    QString pick() const { return list()->currentText(); }
};

} // namespace

void installNamedListAccessible()
{
    installAccessibleFactory<QComboBox, NamedListAccessible>();
}
