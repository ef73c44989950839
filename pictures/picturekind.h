#pragma once

// What kind of picture a file holds, told from its first bytes.

#include <cstddef>

enum class PictureKind { Jpeg, Png, Bmp, Gif, Unknown };

PictureKind pictureKindOf(const unsigned char *head, size_t size);
