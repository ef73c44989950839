#pragma once

// The kinds of picture file the program reads, and how each is told from
// its first bytes. PictureFormats is the one list of them: pictureKindOf
// walks it, LoadPictureFile hands each kind to its loader in a switch that
// the build checks for every kind, and the hostile tests of the formats
// walk it and fail for a format they have no files of.

#include <array>
#include <cstddef>
#include <string_view>

enum class PictureKind { Jpeg, Png, Bmp, Gif, Unknown };

// A kind of file the program reads: its name, for people, and whether a
// file is of it, told from the file's head (its first 64 KiB, or the whole
// of a shorter file). A test, not only a prefix, so that a format whose
// files begin as a container's do ("RIFF", then the length, then its own
// mark) tells its own from the container's others.
struct PictureFormat {
    PictureKind kind;
    const char *name;
    bool (*isOfKind)(std::string_view head);
};

inline constexpr std::array<PictureFormat, 4> PictureFormats = {{
    {PictureKind::Jpeg, "JPEG", [](std::string_view head) { return head.starts_with("\xFF\xD8"); }},
    {PictureKind::Png, "PNG", [](std::string_view head) { return head.starts_with("\x89PNG\r\n\x1A\n"); }},
    {PictureKind::Bmp, "BMP", [](std::string_view head) { return head.starts_with("BM"); }},
    {PictureKind::Gif, "GIF",
     [](std::string_view head) { return head.starts_with("GIF87a") || head.starts_with("GIF89a"); }},
}};

// The first kind of the list that the head of size bytes is of.
PictureKind pictureKindOf(const unsigned char *head, size_t size);
