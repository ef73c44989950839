// The conversions between code page 932 and Qt's text, apart from the rest
// of codepage.h so that the core links no Qt library.

#include "codepage.h"

#include <QString>

namespace CodePage {

QString toQString(std::string_view cp932)
{
    const std::string utf8 = toUtf8(cp932);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string fromQString(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return fromUtf8(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

} // namespace CodePage
