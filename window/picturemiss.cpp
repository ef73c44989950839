#include "picturemiss.h"

#include "cardtable.h"
#include "codepage.h"
#include "decoderprocess.h"
#include "picturefile.h"
#include "sharedfile.h"

#include <utility>

namespace {

std::exception_ptr missed;

} // namespace

void notePictureMiss(const std::string &cp932FileName)
{
    if (!missed)
        missed = missedPictureError(cp932FileName);
}

void forgetMissedPicture()
{
    missed = nullptr;
}

void reportMissedPicture()
{
    if (std::exception_ptr error = std::exchange(missed, nullptr))
        std::rethrow_exception(error);
}

std::exception_ptr missedPictureError(const std::string &cp932FileName)
{
    const std::string path = fullPath(cp932FileName);
    int error = 0;
    if (!SharedFile::open(pictureFilePath(cp932FileName), error))
        return std::make_exception_ptr(FileOpenError(path, describeFileError(error)));
    static const Cp932Literal before(u8"ファイル \"");
    static const Cp932Literal after(u8"\" は画像として読み込めません");
    // Pictures that no decoder process can decode at all say why.
    const std::string why = decoderUnavailableReason();
    static const Cp932Literal because(u8"。");
    return std::make_exception_ptr(AppError(before.str() + path + after.str() + (why.empty() ? "" : because.str() + why)));
}
