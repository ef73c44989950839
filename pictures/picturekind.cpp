#include "picturekind.h"

PictureKind pictureKindOf(const unsigned char *head, size_t size)
{
    const std::string_view start(reinterpret_cast<const char *>(head), size);
    for (const PictureFormat &format : PictureFormats) {
        for (const std::string_view signature : format.signatures) {
            if (!signature.empty() && start.starts_with(signature))
                return format.kind;
        }
    }
    return PictureKind::Unknown;
}
