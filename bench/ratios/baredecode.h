#pragma once

// The floor that picture loading is measured against: libjpeg on its own,
// reading a file and decoding it into a fresh RGB buffer, with nothing of
// ours around it.

#include <cstddef>
#include <string>

// Decodes the JPEG file at path into a newly allocated buffer of 3 bytes a
// pixel, which it frees before returning; returns the buffer's size. Ends
// the process on a broken file, as libjpeg's default error handler does:
// the benchmarks only decode their own.
size_t bareDecode(const std::string &path);
