#include "picturefile.h"

#include "bmploader.h"
#include "codepage.h"
#include "gifloader.h"
#include "jpegloader.h"
#include "pictureinput.h"
#include "picturekind.h"
#include "pngloader.h"

#include <algorithm>

std::string pictureFilePath(const std::string &cp932FileName)
{
    std::string path = CodePage::toUtf8(cp932FileName);
    // Card lists may name folders with "\"; in UTF-8 that byte is always
    // the separator, never part of a character.
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool LoadPictureFile(const std::string &cp932FileName, Bitmap &target)
{
    PictureInput input(pictureFilePath(cp932FileName));
    return loadPicture(input, target);
}

bool loadPicture(PictureInput &input, Bitmap &target)
{
    const PictureKind kind =
        input.isOpen() ? pictureKindOf(input.head(), input.headSize()) : PictureKind::Unknown;
    // A kind added to PictureFormats needs its case here: the build says so.
    switch (kind) {
    case PictureKind::Jpeg: return loadJpeg(input, target);
    case PictureKind::Png: return loadPng(input, target);
    case PictureKind::Bmp: return loadBmp(input, target);
    case PictureKind::Gif: return loadGif(input, target);
    case PictureKind::Unknown: break;
    }
    target = Bitmap();
    return false;
}
