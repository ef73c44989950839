#include "picturekind.h"

PictureKind pictureKindOf(const unsigned char *head, size_t size)
{
    const std::string_view start(reinterpret_cast<const char *>(head), size);
    for (const PictureFormat &format : PictureFormats) {
        if (format.isOfKind(start))
            return format.kind;
    }
    return PictureKind::Unknown;
}
