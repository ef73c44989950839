#include "jpegdecoder.h"

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace {

// Progressive files may hold any number of scans, each a pass over the whole
// picture; real ones have about ten.
constexpr int MaxScans = 500;
constexpr int RowsPerRead = 16;

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf escape;
};

struct SourceManager {
    jpeg_source_mgr pub;
    JpegJob *job;
    bool endedEarly;
};

void escapeOnError(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->escape, 1);
}

// Warnings and traces go nowhere: the program never prints.
void ignoreMessage(j_common_ptr, int) {}
void ignoreOutput(j_common_ptr) {}

void limitScans(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor
        && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > MaxScans)
        escapeOnError(cinfo);
}

void startSource(j_decompress_ptr) {}
void endSource(j_decompress_ptr) {}

boolean fillSource(j_decompress_ptr cinfo)
{
    auto *source = reinterpret_cast<SourceManager *>(cinfo->src);
    JpegJob *job = source->job;
    const long got = job->read(job->file, job->buffer, job->bufferSize);
    if (got > 0) {
        source->pub.bytes_in_buffer = size_t(got);
    } else {
        // The file ended (or failed) inside the picture: libjpeg finishes
        // with grey, and the picture counts as not decoded.
        source->endedEarly = true;
        job->buffer[0] = 0xFF;
        job->buffer[1] = JPEG_EOI;
        source->pub.bytes_in_buffer = 2;
    }
    source->pub.next_input_byte = job->buffer;
    return TRUE;
}

void skipSource(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr *source = cinfo->src;
    while (count > long(source->bytes_in_buffer)) {
        count -= long(source->bytes_in_buffer);
        fillSource(cinfo);
    }
    if (count > 0) {
        source->next_input_byte += count;
        source->bytes_in_buffer -= size_t(count);
    }
}

bool onBypassBoundary(const unsigned char *row)
{
    return reinterpret_cast<uintptr_t>(row) % 32 == 0;
}

// libjpeg hands out CMYK as stored; Adobe's files store it inverted, so that
// 0 is full ink. Turned in place into blue, green, red and an opaque byte.
void cmykToBgrx(unsigned char *row, unsigned width, bool inverted)
{
    for (unsigned char *p = row; p < row + 4 * size_t(width); p += 4) {
        int c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        p[0] = (unsigned char)((y * k + 127) / 255);
        p[1] = (unsigned char)((m * k + 127) / 255);
        p[2] = (unsigned char)((c * k + 127) / 255);
        p[3] = 0xFF;
    }
}

} // namespace

JpegResult decodeJpeg(JpegJob *job)
{
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    SourceManager source;
    jpeg_progress_mgr progress;

    job->rowsDecoded = 0;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = escapeOnError;
    errors.pub.emit_message = ignoreMessage;
    errors.pub.output_message = ignoreOutput;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::NotDecoded;
    }
    jpeg_create_decompress(&cinfo);

    source.pub.init_source = startSource;
    source.pub.fill_input_buffer = fillSource;
    source.pub.skip_input_data = skipSource;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = endSource;
    source.pub.next_input_byte = job->buffer;
    source.pub.bytes_in_buffer = job->filled;
    source.job = job;
    source.endedEarly = false;
    cinfo.src = &source.pub;
    progress.progress_monitor = limitScans;
    cinfo.progress = &progress;

    jpeg_read_header(&cinfo, TRUE);
    // The picture is drawn one to one: no scaling, no colour profile, no
    // orientation; only the colour space is chosen.
    int bits;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo.out_color_space = JCS_GRAYSCALE;
        bits = 8;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        cinfo.out_color_space = JCS_EXT_BGR;
        bits = 24;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        bits = 32;
        break;
    default:
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::NotDecoded;
    }

    size_t stride = 0;
    unsigned char *pixels = job->prepare(job->context, int(cinfo.image_width),
                                         int(cinfo.image_height), bits, &stride);
    if (!pixels) {
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::Refused;
    }

    jpeg_start_decompress(&cinfo);
    const bool adobeCmyk = cinfo.saw_Adobe_marker;
    // libjpeg-turbo writes a row that starts on a 32-byte boundary with
    // stores that bypass the cache, so that a small picture, read again at
    // once, comes back from memory. Such rows go through a staging row that
    // never starts on that boundary and are copied into place.
    const size_t rowBytes = size_t(cinfo.output_width) * size_t(cinfo.output_components);
    JSAMPARRAY staging = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                    JDIMENSION(rowBytes + 1), RowsPerRead);
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        JSAMPROW rows[RowsPerRead];
        const JDIMENSION wanted = cinfo.output_height - first < JDIMENSION(RowsPerRead)
                                      ? cinfo.output_height - first
                                      : JDIMENSION(RowsPerRead);
        bool staged[RowsPerRead];
        for (JDIMENSION i = 0; i < wanted; ++i) {
            rows[i] = pixels + size_t(first + i) * stride;
            staged[i] = onBypassBoundary(rows[i]);
            if (staged[i])
                rows[i] = staging[i] + (onBypassBoundary(staging[i]) ? 1 : 0);
        }
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, wanted);
        if (got == 0)
            break; // cannot happen with a source that never suspends
        for (JDIMENSION i = 0; i < got; ++i) {
            if (staged[i]) {
                std::memcpy(pixels + size_t(first + i) * stride, rows[i], rowBytes);
                rows[i] = pixels + size_t(first + i) * stride;
            }
        }
        job->rowsDecoded = int(first + got);
        for (JDIMENSION i = 0; i < got; ++i) {
            if (bits == 8) {
                for (unsigned char *p = rows[i]; p < rows[i] + cinfo.output_width; ++p)
                    *p = job->greyToPixel[*p];
            } else if (bits == 32) {
                cmykToBgrx(rows[i], cinfo.output_width, adobeCmyk);
            }
        }
    }
    const bool complete = cinfo.output_scanline == cinfo.output_height;
    if (complete)
        jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return complete && !source.endedEarly ? JpegResult::Decoded : JpegResult::NotDecoded;
}
