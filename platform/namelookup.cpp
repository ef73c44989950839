#include "namelookup.h"

namespace {

char asciiLower(char16_t c)
{
    return static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
}

bool sameIgnoringAsciiCase(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x != y && (x > 0x7F || y > 0x7F || asciiLower(x) != asciiLower(y)))
            return false;
    }
    return true;
}

} // namespace

QObject *findObjectByName(const QObject *root, const QString &name)
{
    const QList<QObject *> children = root->findChildren<QObject *>();
    for (QObject *child : children) {
        if (sameIgnoringAsciiCase(child->objectName(), name))
            return child;
    }
    return nullptr;
}
