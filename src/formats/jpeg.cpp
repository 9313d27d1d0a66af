#include "formats/jpeg.h"

#include "common/error.h"
#include "common/limits.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace orugif::formats {

namespace {

// libjpeg reports errors through error_exit, which must not return: it jumps
// back to the setjmp of the function that called libjpeg, with the message
// code kept for the "Erreur JPEG #n" message.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;
    bool tooManyScans;  // the stop came from the scan count, not the file's coding
};

void onError(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    manager->code = manager->pub.msg_code;
    std::longjmp(manager->jump, 1);
}

void ignoreMessage(j_common_ptr, int) {}

// A progressive file may hold any number of scans, each a pass over the whole
// picture: a small file of thousands of scans costs minutes. Real files use
// about ten; past kMaxScans the decoding stops with a JPEG error.
constexpr int kMaxScans = 100;

void countScans(j_common_ptr info)
{
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        reinterpret_cast<ErrorManager*>(info->err)->tooManyScans = true;
        ERREXIT(info, JERR_BAD_PROGRESSION);
    }
}

[[noreturn]] void fail(int code) { throw Error(QStringLiteral("Erreur JPEG #%1").arg(code)); }

// The scan limit's stop keeps its code and says why.
[[noreturn]] void failScans(int code)
{
    throw Error(QStringLiteral("Erreur JPEG #%1 : l'image progressive compte plus de %2 passes (scans), elle est "
                               "refusée pour ne pas bloquer le programme.")
                    .arg(code)
                    .arg(kMaxScans));
}

// What the decoder needs between setjmp and the libjpeg calls: plain data
// only, no object with a destructor, so a longjmp leaves nothing behind.
struct DecodeState {
    jpeg_decompress_struct info;
    ErrorManager error;
    jpeg_progress_mgr progress;
    unsigned char** rows;    // row pointers into the output picture
    int width, height;
    int components;
    bool adobeInverted;
    bool sizeRefused;
};

// Reads the header; returns the libjpeg error code, or 0.
int readHeader(DecodeState& s, const unsigned char* data, unsigned long size)
{
    if (setjmp(s.error.jump))
        return s.error.code ? s.error.code : -1;
    jpeg_mem_src(&s.info, data, size);
    jpeg_read_header(&s.info, TRUE);
    if (s.info.jpeg_color_space == JCS_CMYK || s.info.jpeg_color_space == JCS_YCCK)
        s.info.out_color_space = JCS_CMYK;
    else if (s.info.jpeg_color_space == JCS_GRAYSCALE)
        s.info.out_color_space = JCS_GRAYSCALE;
    else
        s.info.out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(&s.info);
    s.width = int(s.info.output_width);
    s.height = int(s.info.output_height);
    s.components = s.info.output_components;
    s.adobeInverted = s.info.saw_Adobe_marker;
    return 0;
}

// Decodes every scan line into s.rows; returns the libjpeg error code, or 0.
int readPixels(DecodeState& s)
{
    if (setjmp(s.error.jump))
        return s.error.code ? s.error.code : -1;
    jpeg_start_decompress(&s.info);
    while (s.info.output_scanline < s.info.output_height) {
        unsigned char* row = s.rows[s.info.output_scanline];
        jpeg_read_scanlines(&s.info, &row, 1);
    }
    jpeg_finish_decompress(&s.info);
    return 0;
}

// Expands the decoder's rows (grey, RGB or CMYK bytes at the start of each
// row) to B, G, R, X in place, from the right so nothing is overwritten early.
void expandRows(QImage& picture, int components, bool inverted)
{
    const int w = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        uchar* row = picture.scanLine(y);
        auto* out = reinterpret_cast<QRgb*>(row);
        for (int x = w - 1; x >= 0; --x) {
            const uchar* p = row + x * components;
            if (components == 1) {
                out[x] = qRgb(p[0], p[0], p[0]);
            } else if (components == 3) {
                out[x] = qRgb(p[0], p[1], p[2]);
            } else {
                // Adobe files store CMYK inverted; multiply by what is left of K.
                int c = p[0], m = p[1], yl = p[2], k = p[3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    yl = 255 - yl;
                    k = 255 - k;
                }
                out[x] = qRgb(c * k / 255, m * k / 255, yl * k / 255);
            }
        }
    }
}

} // namespace

QImage decodeJpeg(const QByteArray& file)
{
    DecodeState s{};
    s.info.err = jpeg_std_error(&s.error.pub);
    s.error.pub.error_exit = onError;
    s.error.pub.emit_message = ignoreMessage;
    jpeg_create_decompress(&s.info);
    s.progress.progress_monitor = countScans;
    s.info.progress = &s.progress;
    struct Release {
        jpeg_decompress_struct* info;
        ~Release() { jpeg_destroy_decompress(info); }
    } release{&s.info};

    if (const int code = readHeader(s, reinterpret_cast<const unsigned char*>(file.constData()),
                                    static_cast<unsigned long>(file.size())))
        s.error.tooManyScans ? failScans(code) : fail(code);
    if (!pictureSizeAllowed(s.width, s.height))
        throw Error(QStringLiteral("Image JPEG trop grande (%1 x %2).").arg(s.width).arg(s.height));
    if (s.components != 1 && s.components != 3 && s.components != 4)
        fail(JERR_BAD_J_COLORSPACE);

    // Four bytes a pixel hold every component count, so the decoder writes
    // straight into the picture's rows.
    QImage picture(s.width, s.height, QImage::Format_RGB32);
    if (picture.isNull())
        throw Error(QStringLiteral("Mémoire insuffisante pour l'image JPEG (%1 x %2).").arg(s.width).arg(s.height));
    std::vector<unsigned char*> rows(std::size_t(s.height));
    for (int y = 0; y < s.height; ++y)
        rows[std::size_t(y)] = picture.scanLine(y);
    s.rows = rows.data();
    if (const int code = readPixels(s))
        s.error.tooManyScans ? failScans(code) : fail(code);
    expandRows(picture, s.components, s.adobeInverted);
    return picture;
}

namespace {

struct EncodeState {
    jpeg_compress_struct info;
    ErrorManager error;
    unsigned char* buffer;
    unsigned long size;
    const unsigned char* const* rows;  // R, G, B rows
    int width, height, quality;
};

int writeJpeg(EncodeState& s)
{
    if (setjmp(s.error.jump))
        return s.error.code ? s.error.code : -1;
    jpeg_mem_dest(&s.info, &s.buffer, &s.size);
    s.info.image_width = JDIMENSION(s.width);
    s.info.image_height = JDIMENSION(s.height);
    s.info.input_components = 3;
    s.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s.info);
    jpeg_set_quality(&s.info, s.quality, TRUE);
    jpeg_start_compress(&s.info, TRUE);
    while (s.info.next_scanline < s.info.image_height) {
        auto* row = const_cast<unsigned char*>(s.rows[s.info.next_scanline]);
        jpeg_write_scanlines(&s.info, &row, 1);
    }
    jpeg_finish_compress(&s.info);
    return 0;
}

} // namespace

QByteArray encodeJpeg(const QImage& picture, int quality)
{
    if (picture.isNull())
        throw Error(QStringLiteral("Aucune image à enregistrer en JPEG."));
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    std::vector<const unsigned char*> rows(std::size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y)
        rows[std::size_t(y)] = rgb.constScanLine(y);

    EncodeState s{};
    s.info.err = jpeg_std_error(&s.error.pub);
    s.error.pub.error_exit = onError;
    s.error.pub.emit_message = ignoreMessage;
    jpeg_create_compress(&s.info);
    s.rows = rows.data();
    s.width = rgb.width();
    s.height = rgb.height();
    s.quality = quality;
    const int code = writeJpeg(s);
    jpeg_destroy_compress(&s.info);
    QByteArray bytes;
    if (code == 0)
        bytes = QByteArray(reinterpret_cast<const char*>(s.buffer), qsizetype(s.size));
    std::free(s.buffer);
    if (code != 0)
        fail(code);
    return bytes;
}

} // namespace orugif::formats
