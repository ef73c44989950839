#pragma once

// What assistive technology reads from widgets of our own kinds: Qt's
// reading of a widget, with one more of Qt's accessibility interfaces, given
// to every widget of a class through a factory. What it does to them waits
// for the command in progress, as for any widget (heldaccessible.h).

#include "heldaccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>

template<typename Interface, QAccessible::InterfaceType Type>
class AccessibleWidgetWith : public QAccessibleWidget, public Interface
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == Type)
            return static_cast<Interface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
};

// Makes assistive technology read every widget of the class Widget itself
// (not of classes made from it) through Accessible. Installs the factory
// once, however often it is called, and after it the one that makes
// actions wait.
template<typename Widget, typename Accessible>
void installAccessibleFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString &className, QObject *object) -> QAccessibleInterface * {
            auto *widget = qobject_cast<Widget *>(object);
            if (!widget || className != QLatin1String(Widget::staticMetaObject.className()))
                return nullptr;
            return new Accessible(widget);
        });
        holdAccessibleActions();
        return true;
    }();
    Q_UNUSED(installed);
}
