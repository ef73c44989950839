#pragma once

// Files made to hurt the program, built by the tests themselves.

#include <string>

// A PNG file of the given header and image data (the zlib stream of its
// rows, each led by its filter byte), with any chunks put before the data.
std::string pngFile(int width, int height, int bitDepth, int colourType, const std::string &imageData,
                    const std::string &chunksBefore = {});
// One PNG chunk with its length and CRC.
std::string pngChunk(const char type[4], const std::string &data);
// The same PNG file with the picture's data split anew into chunks of
// bytes each (the last may be shorter), where its first data chunk was.
std::string withDataInChunksOf(const std::string &png, size_t bytes);
// A zlib stream of the bytes.
std::string deflated(const std::string &bytes);
// A zlib stream of count zero bytes, compressed as far as zlib goes
// (about a thousand to one); never held whole in memory.
std::string deflatedZeros(size_t count);

// Makes path a file of size bytes that begins with head and ends with tail,
// with a hole between them, which reads as NUL bytes and takes no room on
// the disk.
void writeSparse(const std::string &path, const std::string &head, size_t size, const std::string &tail = {});

// Data that makes no pixels and costs its decoder work:
// a GIF file of a 1 by 1 picture whose data opens with count clear codes;
std::string gifOfClearCodes(size_t count);
// a GIF file of a width by height picture of black, white, red and blue,
// each pixel a code of its own, in runs of 1, 3, 30, 300 and 5,000 pixels
// in turn, each followed by a clear code, the last run by none, and with as
// many clear codes before the first as make count in all: its codes grow
// from 3 bits to 12 and fall back to 3 again and again;
std::string gifOfClearedRuns(int width, int height, size_t count);
// a GIF file with count comment blocks of one byte each before its picture;
std::string withGifComment(const std::string &gif, size_t count);
// an 8-bit BMP file of a 1 by 1 picture whose run-length data opens with
// count moves that go nowhere;
std::string bmpOfEmptyMoves(size_t count);
// a zlib stream of the bytes behind count empty stored blocks.
std::string deflatedAfterEmptyBlocks(const std::string &bytes, size_t count);
