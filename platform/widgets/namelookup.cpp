#include "namelookup.h"

namespace {

QString asciiLowerCase(QString name)
{
    for (QChar &c : name) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return name;
}

} // namespace

QObject *NameLookup::find(const QString &name) const
{
    if (m_byName.isEmpty()) {
        // The first of each name, as a search would find it.
        const QList<QObject *> descendants = m_root->findChildren<QObject *>();
        for (QObject *descendant : descendants) {
            const QString key = asciiLowerCase(descendant->objectName());
            if (!key.isEmpty() && !m_byName.contains(key))
                m_byName.insert(key, descendant);
        }
    }
    const QString key = asciiLowerCase(name);
    if (QObject *known = m_byName.value(key))
        return known;
    QObject *found = search(key);
    if (found)
        m_byName.insert(key, found);
    return found;
}

QObject *NameLookup::search(const QString &key) const
{
    const QList<QObject *> descendants = m_root->findChildren<QObject *>();
    for (QObject *descendant : descendants) {
        if (asciiLowerCase(descendant->objectName()) == key)
            return descendant;
    }
    return nullptr;
}
