#pragma once

// Finding a window's control or menu item by its name, with ASCII letters
// compared without regard to case ("label7" finds Label7).

#include <QObject>

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

// Searches root's descendants; nullptr when none has that name.
QObject *findObjectByName(const QObject *root, const QString &name);

// The descendant of that name and type; throws LookupError when there is none.
template<typename T>
T *objectByName(const QObject *root, const QString &name)
{
    T *found = qobject_cast<T *>(findObjectByName(root, name));
    if (!found)
        throw LookupError(name.toStdString());
    return found;
}
