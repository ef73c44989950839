#include "codepage.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace {

// One conversion descriptor per direction, opened on first use and kept for
// the run; iconv descriptors are not to be shared between threads.
class Converter
{
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // Converts all of input; onBadInput(rest, out) is called where iconv stops
    // on a byte sequence it cannot take, and returns how many bytes to skip.
    template<typename OnBadInput>
    std::string convert(std::string_view input, OnBadInput onBadInput)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.reserve(input.size() * 3 / 2 + 4);
        char buffer[1024];
        char *in = const_cast<char *>(input.data());
        size_t inLeft = input.size();
        while (inLeft > 0) {
            char *dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = iconv(m_cd, &in, &inLeft, &dst, &dstLeft);
            const int error = errno;
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (rc != static_cast<size_t>(-1) || error == E2BIG)
                continue;
            // EILSEQ or EINVAL: a sequence iconv cannot take (EINVAL: cut short at the end).
            const size_t skip = std::min(inLeft, onBadInput(std::string_view(in, inLeft), out));
            in += skip;
            inLeft -= skip;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t m_cd;
};

size_t utf8SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

} // namespace

namespace CodePage {

std::string toUtf8(std::string_view cp932)
{
    thread_local Converter converter("UTF-8", "CP932");
    return converter.convert(cp932, [](std::string_view, std::string &out) {
        out += "\xEF\xBF\xBD"; // U+FFFD
        return size_t{1};
    });
}

std::string fromUtf8(std::string_view utf8)
{
    thread_local Converter converter("CP932", "UTF-8");
    return converter.convert(utf8, [](std::string_view rest, std::string &out) {
        out += '?';
        const size_t length = utf8SequenceLength(static_cast<unsigned char>(rest.front()));
        // Skip one whole character only when it is well formed; otherwise one byte.
        for (size_t i = 1; i < length; ++i) {
            if (i >= rest.size() || (static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80)
                return size_t{1};
        }
        return length;
    });
}

} // namespace CodePage
