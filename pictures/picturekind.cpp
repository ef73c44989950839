#include "picturekind.h"

#include <cstring>

PictureKind pictureKindOf(const unsigned char *head, size_t size)
{
    const auto startsWith = [&](const char *magic, size_t length) {
        return size >= length && std::memcmp(head, magic, length) == 0;
    };
    if (startsWith("\xFF\xD8", 2))
        return PictureKind::Jpeg;
    if (startsWith("\x89PNG\r\n\x1A\n", 8))
        return PictureKind::Png;
    if (startsWith("BM", 2))
        return PictureKind::Bmp;
    if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6))
        return PictureKind::Gif;
    return PictureKind::Unknown;
}
