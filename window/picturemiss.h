#pragma once

// Pictures that a command could not load. Where a picture cannot be loaded,
// a reading or a spread stops just as it always has; once the command is
// over, one error box names the first such file of the command and says
// why: it cannot be opened (with the system's reason), or it holds no
// picture that can be decoded whole.

#include <exception>
#include <string>

// A picture file that LoadPictureFile refused; the first the command noted
// is the one its box names.
void notePictureMiss(const std::string &cp932FileName);

// A command begins: a file noted before is forgotten.
void forgetMissedPicture();

// A command ends: throws the error of the file it noted, if any, and
// forgets it.
void reportMissedPicture();

// The error for a picture file that LoadPictureFile refused: the card list's
// FileOpenError with the system's reason when the file cannot be opened as
// the loader opens it, otherwise an error saying that it holds no picture,
// and why when no picture can be decoded at all (decoderUnavailableReason).
std::exception_ptr missedPictureError(const std::string &cp932FileName);
