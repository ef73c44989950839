#pragma once

// Every text inside the program is a std::string of code page 932 (Shift-JIS)
// bytes. These conversions are the only way in and out: to QString for the
// screen, to UTF-8 for file names and for our own literals. The QString ones
// are Qt's half of the core (codepageqstring.cpp, in the library platformqt):
// code built without Qt, such as the decoder process (decoder/), converts
// the rest all the same.

#if __has_include(<QString>)
#include <QString>
#else
class QString;
#endif

#include <string>
#include <string_view>

namespace CodePage {

// Bytes that are not valid code page 932 become U+FFFD; nothing fails.
std::string toUtf8(std::string_view cp932);
QString toQString(std::string_view cp932);

// Characters that code page 932 cannot hold become "?"; so do bytes that are
// not valid UTF-8.
std::string fromUtf8(std::string_view utf8);
std::string fromQString(const QString &text);

// First byte of a double-byte character: 0x81 to 0x9F and 0xE0 to 0xFC.
constexpr bool isLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace CodePage

// A literal of ours, written readable in the source and converted to code
// page 932 the first time it is used. Declare it static:
//   static const Cp932Literal suffix(u8"（逆）");
class Cp932Literal
{
public:
    explicit Cp932Literal(const char8_t *utf8) : m_utf8(utf8) {}

    const std::string &str() const
    {
        if (!m_converted) {
            m_text = CodePage::fromUtf8(reinterpret_cast<const char *>(m_utf8));
            m_converted = true;
        }
        return m_text;
    }
    operator const std::string &() const { return str(); }

private:
    const char8_t *m_utf8;
    mutable std::string m_text;
    mutable bool m_converted = false;
};
