#pragma once

// The kinds of picture file the program reads, and how each is told from
// its first bytes. PictureFormats is the one list of them: the loader
// dispatches on it and the tests of every format walk it.

#include <array>
#include <cstddef>
#include <string_view>

enum class PictureKind { Jpeg, Png, Bmp, Gif, Unknown };

// A kind of file the program reads: its name, for people, and the bytes
// its files begin with (one or two ways; an empty one is unused).
struct PictureFormat {
    PictureKind kind;
    const char *name;
    std::array<std::string_view, 2> signatures;
};

inline constexpr std::array<PictureFormat, 4> PictureFormats = {{
    {PictureKind::Jpeg, "JPEG", {"\xFF\xD8"}},
    {PictureKind::Png, "PNG", {"\x89PNG\r\n\x1A\n"}},
    {PictureKind::Bmp, "BMP", {"BM"}},
    {PictureKind::Gif, "GIF", {"GIF87a", "GIF89a"}},
}};

// The kind whose signature the first size bytes of a file begin with.
PictureKind pictureKindOf(const unsigned char *head, size_t size);
