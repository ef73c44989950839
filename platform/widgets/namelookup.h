#pragma once

// Finding a window's control or menu item by its name, with ASCII letters
// compared without regard to case ("label7" finds Label7).

#include <QHash>
#include <QObject>
#include <QPointer>

#include <stdexcept>
#include <string>

// A name that finds nothing: a mistake in the program, not in its input.
class LookupError : public std::logic_error
{
public:
    explicit LookupError(const std::string &name)
        : std::logic_error("no control named \"" + name + "\"")
    {
    }
};

// The named descendants of one root. The first lookup files them all in one
// pass, since the window never renames a control; a name whose control is
// gone, or that was not filed, is searched for among the descendants again.
class NameLookup
{
public:
    explicit NameLookup(const QObject *root) : m_root(root) {}

    // nullptr when no descendant has that name.
    QObject *find(const QString &name) const;

    // The descendant of that name and type; throws LookupError when there
    // is none.
    template<typename T>
    T *get(const QString &name) const
    {
        T *found = qobject_cast<T *>(find(name));
        if (!found)
            throw LookupError(name.toStdString());
        return found;
    }

private:
    QObject *search(const QString &key) const;

    const QObject *m_root;
    // Keyed by the name with its ASCII letters in lower case.
    mutable QHash<QString, QPointer<QObject>> m_byName;
};
