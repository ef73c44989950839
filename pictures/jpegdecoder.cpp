#include "jpegdecoder.h"

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>
#include <jerror.h>

namespace {

// The scans of a progressive file send each coefficient's bits once, in
// turn (sendsBitsInTurn), and may visit the picture's blocks as often as
// the costliest script an encoder writes: 100 scans (cjpeg's limit), of
// which at most 11 reach every component's blocks (the DC scans of
// successive approximation, whose point transform goes no higher than 10)
// and the rest one component each, the largest. Narrow scans, each cheap,
// could otherwise make a small file cost minutes to decode.
constexpr long long MostScans = 100;
constexpr long long MostScansOfEveryComponent = 11;
constexpr int RowsPerRead = 16;
// What libjpeg may allocate beside the coefficients of a progressive file:
// its tables and the buffers of a few rows of the widest picture.
constexpr size_t RowMemory = size_t{64} << 20;

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf escape;
    JpegJob *job;
};

struct SourceManager {
    jpeg_source_mgr pub;
    JpegJob *job;
    bool ranDry; // the file ended where libjpeg wanted more
    JOCTET endMark[2];
};

// Called by libjpeg for each scan and each group of rows it reads or puts
// out: stops a decoding that is given up, counts the blocks that each new
// scan visits, notes which components the scans have reached, and follows
// each coefficient's bits: the lowest bit
// that its scans have sent so far, -1 before its first.
struct ScanMonitor {
    jpeg_progress_mgr pub;
    int scan;
    long long blocksLeft;
    unsigned componentsSeen;
    signed char lowBit[MAX_COMPONENTS][DCTSIZE2];
    JpegJob *job;
};

[[noreturn]] void escapeOnError(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->escape, 1);
}

// libjpeg reads no frame of more than 65500 pixels a side, where a bitmap
// may have 65535: the frame's claim is handed to prepare all the same, so
// that a size past the program's limits is refused as such, and one within
// them gives a picture that cannot be decoded.
[[noreturn]] void stopOnError(j_common_ptr common)
{
    if (common->err->msg_code == JERR_IMAGE_TOO_BIG && common->is_decompressor) {
        auto *cinfo = reinterpret_cast<j_decompress_ptr>(common);
        JpegJob *job = reinterpret_cast<ErrorManager *>(common->err)->job;
        const int bits = cinfo->num_components == 1 ? 8 : cinfo->num_components == 4 ? 32 : 24;
        size_t stride = 0;
        job->prepare(job->context, int(cinfo->image_width), int(cinfo->image_height), bits, 0, &stride);
    }
    escapeOnError(common);
}

// Warnings and traces go nowhere: the program never prints. A scan whose
// data ends before its last block makes libjpeg fill the rest with zeros:
// such a picture is not decoded, and the decode ends at once.
void watchMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_HIT_MARKER)
        escapeOnError(cinfo);
}

void ignoreOutput(j_common_ptr) {}

// Whether the scan sends the bits of its coefficients in their turn: a
// coefficient's first scan sends its high bits down to Al, and each later
// one the next bit below (Ah the bit the last one left, Al one lower). A
// scan that sends bits again is no part of any encoder's script, and the
// decoder pays for it anew however few bytes it takes: repeated scans of
// an arithmetic-coded file can cost a second each while adding nothing.
bool sendsBitsInTurn(j_decompress_ptr cinfo, ScanMonitor *monitor)
{
    for (int i = 0; i < cinfo->comps_in_scan; ++i) {
        signed char *lowBit = monitor->lowBit[cinfo->cur_comp_info[i]->component_index];
        for (int k = cinfo->Ss; k <= cinfo->Se && k < DCTSIZE2; ++k) {
            const bool inTurn = lowBit[k] < 0 ? cinfo->Ah == 0 : cinfo->Ah == lowBit[k] && cinfo->Al == cinfo->Ah - 1;
            if (!inTurn)
                return false;
            lowBit[k] = (signed char)cinfo->Al;
        }
    }
    return true;
}

void watchScans(j_common_ptr common)
{
    auto *cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto *monitor = reinterpret_cast<ScanMonitor *>(common->progress);
    if (monitor->job->stopRequested && monitor->job->stopRequested())
        escapeOnError(common);
    if (cinfo->input_scan_number == monitor->scan)
        return;
    monitor->scan = cinfo->input_scan_number;
    if (!sendsBitsInTurn(cinfo, monitor))
        escapeOnError(common);
    for (int i = 0; i < cinfo->comps_in_scan; ++i) {
        const jpeg_component_info *component = cinfo->cur_comp_info[i];
        monitor->componentsSeen |= 1u << component->component_index;
        monitor->blocksLeft -= (long long)component->width_in_blocks * component->height_in_blocks;
    }
    if (monitor->blocksLeft < 0)
        escapeOnError(common);
}

void startSource(j_decompress_ptr) {}
void endSource(j_decompress_ptr) {}

// The file ended (or failed, or the load may read no further) where
// libjpeg wants more. Where only the end mark is missing the picture is
// whole: libjpeg is given one. An arithmetic-coded scan may end early by
// its rules, its last bytes taken as zeros, but one that ends before its
// last row of blocks was cut short. A Huffman-coded scan that needed more
// says so (watchMessage).
void runDry(j_decompress_ptr cinfo)
{
    auto *source = reinterpret_cast<SourceManager *>(cinfo->src);
    if (cinfo->arith_code && cinfo->input_iMCU_row + 1 < cinfo->total_iMCU_rows)
        escapeOnError(reinterpret_cast<j_common_ptr>(cinfo));
    source->ranDry = true;
    source->endMark[0] = 0xFF;
    source->endMark[1] = JPEG_EOI;
    source->pub.next_input_byte = source->endMark;
    source->pub.bytes_in_buffer = 2;
}

boolean fillSource(j_decompress_ptr cinfo)
{
    auto *source = reinterpret_cast<SourceManager *>(cinfo->src);
    const FileSource &file = source->job->source;
    const unsigned char *bytes = nullptr;
    const size_t got = file.next(file.file, &bytes);
    if (got == 0) {
        runDry(cinfo);
        return TRUE;
    }
    source->pub.next_input_byte = bytes;
    source->pub.bytes_in_buffer = got;
    return TRUE;
}

// Segments libjpeg has no use for (previews, profiles, comments) are passed
// over in the file, not read.
void skipSource(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr *source = cinfo->src;
    if (count <= 0)
        return;
    if (size_t(count) <= source->bytes_in_buffer) {
        source->next_input_byte += count;
        source->bytes_in_buffer -= size_t(count);
        return;
    }
    const FileSource &file = reinterpret_cast<SourceManager *>(cinfo->src)->job->source;
    const size_t beyond = size_t(count) - source->bytes_in_buffer;
    source->bytes_in_buffer = 0;
    if (!file.pass(file.file, beyond))
        runDry(cinfo);
}

void setUpErrors(j_decompress_ptr cinfo, ErrorManager *errors, JpegJob *job)
{
    cinfo->err = jpeg_std_error(&errors->pub);
    errors->pub.error_exit = stopOnError;
    errors->pub.emit_message = watchMessage;
    errors->pub.output_message = ignoreOutput;
    errors->job = job;
}

void setUpSource(j_decompress_ptr cinfo, SourceManager *source, JpegJob *job)
{
    source->pub.init_source = startSource;
    source->pub.fill_input_buffer = fillSource;
    source->pub.skip_input_data = skipSource;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = endSource;
    source->pub.next_input_byte = nullptr;
    source->pub.bytes_in_buffer = 0;
    source->job = job;
    source->ranDry = false;
    cinfo->src = &source->pub;
}

// Once the header is read: the visits of the costliest script to the
// picture's blocks.
void setUpMonitor(j_decompress_ptr cinfo, ScanMonitor *monitor, JpegJob *job)
{
    long long blocks = 0, largest = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const long long own = (long long)cinfo->comp_info[c].width_in_blocks * cinfo->comp_info[c].height_in_blocks;
        blocks += own;
        largest = own > largest ? own : largest;
    }
    monitor->pub.progress_monitor = watchScans;
    monitor->scan = 0;
    monitor->blocksLeft = MostScansOfEveryComponent * blocks + (MostScans - MostScansOfEveryComponent) * largest;
    monitor->componentsSeen = 0;
    memset(monitor->lowBit, -1, sizeof monitor->lowBit);
    monitor->job = job;
    cinfo->progress = &monitor->pub;
}

// The picture is drawn one to one: no scaling, no colour profile, no
// orientation; only the colour space is chosen. Returns the bits per pixel
// of the output, or 0 for a colour space we do not read.
int chooseColourSpace(j_decompress_ptr cinfo)
{
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo->out_color_space = JCS_GRAYSCALE;
        return 8;
    case JCS_YCbCr:
    case JCS_RGB:
        cinfo->out_color_space = JCS_EXT_RGB;
        return 24;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        return 32;
    default:
        return 0;
    }
}

// A file of more than one scan is decoded whole into libjpeg's buffers of
// coefficients first: 64 of 16 bits for each block of each component.
size_t coefficientBytes(j_decompress_ptr cinfo)
{
    if (!jpeg_has_multiple_scans(cinfo))
        return 0;
    size_t bytes = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info &component = cinfo->comp_info[c];
        const size_t across = (component.width_in_blocks + JDIMENSION(component.h_samp_factor) - 1)
                              / JDIMENSION(component.h_samp_factor) * JDIMENSION(component.h_samp_factor);
        const size_t down = (component.height_in_blocks + JDIMENSION(component.v_samp_factor) - 1)
                            / JDIMENSION(component.v_samp_factor) * JDIMENSION(component.v_samp_factor);
        bytes += across * down * DCTSIZE2 * sizeof(JCOEF);
    }
    return bytes;
}

// Whether the scans read have brought every coefficient of every component
// to its full precision. A progressive file that ends early, between two
// scans, looks whole to libjpeg, which takes the bits of the scans that
// never came for zeros.
bool allCoefficientsComplete(j_decompress_ptr cinfo)
{
    if (!cinfo->progressive_mode)
        return true;
    for (int c = 0; c < cinfo->num_components; ++c)
        for (int k = 0; k < DCTSIZE2; ++k)
            if (cinfo->coef_bits[c][k] != 0)
                return false;
    return true;
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

// Reads up to RowsPerRead rows into the target from its row first on.
// libjpeg-turbo writes a row that starts on a 32-byte boundary with stores
// that bypass the cache, so that a small picture, read again at once, comes
// back from memory. Such rows go through a staging row that never starts on
// that boundary and are copied into place.
JDIMENSION readStagedRows(j_decompress_ptr cinfo, unsigned char *pixels, size_t stride, JSAMPARRAY staging)
{
    const JDIMENSION first = cinfo->output_scanline;
    const size_t rowBytes = size_t(cinfo->output_width) * size_t(cinfo->output_components);
    const JDIMENSION wanted = cinfo->output_height - first < JDIMENSION(RowsPerRead) ? cinfo->output_height - first
                                                                                     : JDIMENSION(RowsPerRead);
    JSAMPROW rows[RowsPerRead];
    bool staged[RowsPerRead];
    for (JDIMENSION i = 0; i < wanted; ++i) {
        rows[i] = pixels + size_t(first + i) * stride;
        staged[i] = onBypassBoundary(rows[i]);
        if (staged[i])
            rows[i] = staging[i] + (onBypassBoundary(staging[i]) ? 1 : 0);
    }
    const JDIMENSION got = jpeg_read_scanlines(cinfo, rows, wanted);
    for (JDIMENSION i = 0; i < got; ++i) {
        if (staged[i])
            std::memcpy(pixels + size_t(first + i) * stride, rows[i], rowBytes);
    }
    return got;
}

// Turns rows as libjpeg gives them into the target's pixels: grey levels
// into palette entries, CMYK into colours.
void finishRows(j_decompress_ptr cinfo, unsigned char *pixels, size_t stride, int bits, JDIMENSION first,
                JDIMENSION count, const JpegJob *job)
{
    for (JDIMENSION y = first; y < first + count; ++y) {
        unsigned char *row = pixels + size_t(y) * stride;
        if (bits == 8) {
            for (unsigned char *p = row; p < row + cinfo->output_width; ++p)
                *p = job->greyToPixel[*p];
        } else if (bits == 32) {
            cmykToBgrx(row, cinfo->output_width, cinfo->saw_Adobe_marker);
        }
    }
}

} // namespace

JpegResult decodeJpeg(JpegJob *job)
{
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    SourceManager source;
    ScanMonitor monitor;

    job->rowsDecoded = 0;
    setUpErrors(&cinfo, &errors, job);
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::NotDecoded;
    }
    jpeg_create_decompress(&cinfo);
    setUpSource(&cinfo, &source, job);
    jpeg_read_header(&cinfo, TRUE);
    setUpMonitor(&cinfo, &monitor, job);

    const int bits = chooseColourSpace(&cinfo);
    if (bits == 0)
        escapeOnError(reinterpret_cast<j_common_ptr>(&cinfo));
    const size_t working = coefficientBytes(&cinfo);
    size_t stride = 0;
    unsigned char *pixels = job->prepare(job->context, int(cinfo.image_width), int(cinfo.image_height), bits,
                                         working, &stride);
    if (!pixels) {
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::Refused;
    }
    // What was set aside for libjpeg is all it may take.
    cinfo.mem->max_memory_to_use = long(working + RowMemory);

    jpeg_start_decompress(&cinfo);
    const size_t rowBytes = size_t(cinfo.output_width) * size_t(cinfo.output_components);
    JSAMPARRAY staging = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                    JDIMENSION(rowBytes + 1), RowsPerRead);
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION got = readStagedRows(&cinfo, pixels, stride, staging);
        if (got == 0)
            break; // cannot happen with a source that never suspends
        job->rowsDecoded = int(first + got);
        finishRows(&cinfo, pixels, stride, bits, first, got, job);
    }
    // Every row out, every component reached by a scan and, where the file
    // ends without its end mark, nothing of a later scan missing. What
    // follows the last row is never read: a file of several scans was read
    // to its end before the first row came out, and after a single scan
    // nothing can change a pixel.
    const bool complete = cinfo.output_scanline == cinfo.output_height
                          && monitor.componentsSeen == (1u << cinfo.num_components) - 1
                          && (!source.ranDry || allCoefficientsComplete(&cinfo));
    jpeg_destroy_decompress(&cinfo);
    return complete ? JpegResult::Decoded : JpegResult::NotDecoded;
}
