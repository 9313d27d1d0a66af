// EMF playback: the header gives the frame and the reference device; every
// record is checked against its own size before a field is read.
#include "formats/metafile_internal.h"

#include "formats/bytecursor.h"
#include "formats/dib.h"
#include "formats/gdi.h"

#include <bit>
#include <cmath>

namespace orugif::formats::metafile {

namespace {

using gdi::colourRef;
using gdi::Player;
using Bytes = std::span<const std::uint8_t>;

struct EmfHeader {
    std::int32_t bounds[4] = {};
    std::int32_t frame[4] = {}; // 0.01 mm
    std::uint32_t headerSize = 0;
    std::uint16_t handles = 0;
    std::int32_t devicePx[2] = {};
    std::int32_t deviceMm[2] = {};
};

EmfHeader readHeader(Bytes file)
{
    ByteCursor c(file);
    EmfHeader h;
    std::uint32_t type = 0, signature = 0, version = 0, bytes = 0, records = 0, skip = 0;
    std::uint16_t reserved = 0;
    bool ok = c.u32le(type) && c.u32le(h.headerSize);
    for (auto& v : h.bounds)
        ok = ok && c.i32le(v);
    for (auto& v : h.frame)
        ok = ok && c.i32le(v);
    ok = ok && c.u32le(signature) && c.u32le(version) && c.u32le(bytes) && c.u32le(records) && c.u16le(h.handles)
        && c.u16le(reserved) && c.u32le(skip) && c.u32le(skip) && c.u32le(skip) && c.i32le(h.devicePx[0])
        && c.i32le(h.devicePx[1]) && c.i32le(h.deviceMm[0]) && c.i32le(h.deviceMm[1]);
    if (!ok || type != 1 || signature != 0x464D4520u || h.headerSize < 88 || h.headerSize > file.size())
        throw EMetafileException(kBadHeader);
    return h;
}

// Device pixels a millimetre of the reference device (96 dots per inch when
// the header does not say).
QPointF devicePerMm(const EmfHeader& h)
{
    if (h.devicePx[0] > 0 && h.devicePx[1] > 0 && h.deviceMm[0] > 0 && h.deviceMm[1] > 0)
        return {double(h.devicePx[0]) / h.deviceMm[0], double(h.devicePx[1]) / h.deviceMm[1]};
    return {96 / 25.4, 96 / 25.4};
}

constexpr double kPixelsPerHundredthMm = 96.0 / 2540.0;

QSize sizeOf(const EmfHeader& h)
{
    const double w = (double(h.frame[2]) - h.frame[0]) * kPixelsPerHundredthMm;
    const double hh = (double(h.frame[3]) - h.frame[1]) * kPixelsPerHundredthMm;
    if (w >= 0.5 && hh >= 0.5 && w < 1e9 && hh < 1e9)
        return {int(std::lround(w)), int(std::lround(hh))};
    // No usable frame: the bounds in device pixels.
    const double bw = double(h.bounds[2]) - h.bounds[0] + 1, bh = double(h.bounds[3]) - h.bounds[1] + 1;
    if (bw >= 1 && bh >= 1 && bw < 1e9 && bh < 1e9)
        return {int(bw), int(bh)};
    throw EMetafileException(kBadHeader);
}

// ---- Record fields -----------------------------------------------------------

struct Record {
    std::uint32_t type;
    Bytes all;      // the whole record, for offsets counted from its start
    ByteCursor c;   // positioned after type and size
};

bool point32(ByteCursor& c, QPointF& p)
{
    std::int32_t x, y;
    if (!c.i32le(x) || !c.i32le(y))
        return false;
    p = QPointF(x, y);
    return true;
}

bool rect32(ByteCursor& c, QRectF& r)
{
    std::int32_t l, t, rr, b;
    if (!c.i32le(l) || !c.i32le(t) || !c.i32le(rr) || !c.i32le(b))
        return false;
    r = QRectF(QPointF(l, t), QPointF(rr, b));
    return true;
}

bool f32(ByteCursor& c, double& v)
{
    std::uint32_t u;
    if (!c.u32le(u))
        return false;
    v = double(std::bit_cast<float>(u));
    return std::isfinite(v);
}

bool points(ByteCursor& c, std::uint32_t count, bool small, QPolygonF& out)
{
    const std::size_t each = small ? 4 : 8;
    if (count > kMaxItems || std::size_t(count) * each > c.remaining())
        return false;
    out.resize(qsizetype(count));
    for (std::uint32_t i = 0; i < count; ++i) {
        if (small) {
            std::int16_t x = 0, y = 0;
            c.i16le(x);
            c.i16le(y);
            out[i] = QPointF(x, y);
        } else {
            std::int32_t x = 0, y = 0;
            c.i32le(x);
            c.i32le(y);
            out[i] = QPointF(x, y);
        }
    }
    return true;
}

// A byte range given as offset and size from the record's start.
bool slice(const Record& r, std::uint32_t offset, std::uint32_t size, Bytes& out)
{
    if (offset > r.all.size() || size > r.all.size() - offset)
        return false;
    out = r.all.subspan(offset, size);
    return true;
}

bool bottomUp(Bytes info)
{
    ByteCursor c(info);
    std::uint32_t size = 0;
    std::int32_t w = 0, h = 0;
    if (!c.u32le(size))
        return true;
    if (size == 12)
        return true;
    return !(c.i32le(w) && c.i32le(h)) || h > 0;
}

QImage dibOf(const Record& r, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits, std::uint32_t cbBits)
{
    Bytes info, bits;
    if (cbBmi == 0 || !slice(r, offBmi, cbBmi, info) || !slice(r, offBits, cbBits, bits))
        return {};
    return dibToImage(info, bits);
}

bool region(ByteCursor& c, std::vector<QRectF>& rects)
{
    std::uint32_t size, type, count, bytes;
    QRectF bound;
    if (!c.u32le(size) || !c.u32le(type) || !c.u32le(count) || !c.u32le(bytes) || !rect32(c, bound))
        return false;
    if (count > kMaxItems || std::size_t(count) * 16 > c.remaining())
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        QRectF r;
        rect32(c, r);
        rects.push_back(r);
    }
    return true;
}

// ---- Records ---------------------------------------------------------------

void polyRecord(Player& p, Record& r, bool small)
{
    QRectF bounds;
    std::uint32_t count;
    QPolygonF pts;
    if (!rect32(r.c, bounds) || !r.c.u32le(count) || !points(r.c, count, small, pts))
        return;
    switch (r.type) {
    case 2: case 85: p.polyBezier(pts, false); break;
    case 3: case 86: p.polygon(pts); break;
    case 4: case 87: p.polyline(pts); break;
    case 5: case 88: p.polyBezier(pts, true); break;
    case 6: case 89: p.polylineTo(pts); break;
    }
}

void polyPolyRecord(Player& p, Record& r, bool small)
{
    QRectF bounds;
    std::uint32_t polys, total;
    if (!rect32(r.c, bounds) || !r.c.u32le(polys) || !r.c.u32le(total))
        return;
    if (polys > kMaxItems || std::size_t(polys) * 4 > r.c.remaining())
        return;
    std::vector<std::uint32_t> counts(polys);
    std::uint64_t sum = 0;
    for (auto& n : counts) {
        r.c.u32le(n);
        sum += n;
    }
    QPolygonF all;
    if (sum != total || !points(r.c, total, small, all))
        return;
    std::vector<QPolygonF> shapes;
    qsizetype at = 0;
    for (std::uint32_t n : counts) {
        shapes.push_back(all.mid(at, qsizetype(n)));
        at += qsizetype(n);
    }
    if (r.type == 8 || r.type == 91)
        p.polyPolygon(shapes);
    else
        p.polyPolyline(shapes);
}

void textRecord(Player& p, Record& r)
{
    const bool wide = r.type == 84;
    QRectF bounds, clip;
    std::uint32_t mode, count, offString, options, offDx;
    double sx, sy;
    QPointF ref;
    if (!rect32(r.c, bounds) || !r.c.u32le(mode) || !f32(r.c, sx) || !f32(r.c, sy) || !point32(r.c, ref)
        || !r.c.u32le(count) || !r.c.u32le(offString) || !r.c.u32le(options) || !rect32(r.c, clip)
        || !r.c.u32le(offDx))
        return;
    Bytes chars;
    if (count > kMaxItems || !slice(r, offString, count * (wide ? 2 : 1), chars))
        return;
    if (options & 0x10) // ETO_GLYPH_INDEX: glyph numbers of a font we do not have
        return;
    QString text;
    for (std::uint32_t i = 0; i < count; ++i)
        text += wide ? QChar(char16_t(chars[2 * i] | chars[2 * i + 1] << 8)) : QChar(char16_t(chars[i]));
    std::vector<double> dx;
    Bytes dxBytes;
    const std::uint32_t step = (options & 0x2000) ? 8 : 4; // ETO_PDY: x and y advances
    if (offDx != 0 && slice(r, offDx, count * step, dxBytes)) {
        ByteCursor d(dxBytes);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::int32_t v = 0;
            d.i32le(v);
            if (step == 8)
                d.skip(4);
            dx.push_back(v);
        }
    }
    p.textOut(ref, text, dx, int(options), clip);
}

void smallTextRecord(Player& p, Record& r)
{
    QPointF ref;
    std::uint32_t count, options, mode;
    double sx, sy;
    QRectF clip;
    if (!point32(r.c, ref) || !r.c.u32le(count) || !r.c.u32le(options) || !r.c.u32le(mode) || !f32(r.c, sx)
        || !f32(r.c, sy))
        return;
    if (!(options & 0x100) && !rect32(r.c, clip)) // ETO_NO_RECT
        return;
    const bool narrow = options & 0x200; // ETO_SMALL_CHARS
    Bytes chars;
    if (count > kMaxItems || !r.c.bytes(chars, count * (narrow ? 1 : 2)))
        return;
    QString text;
    for (std::uint32_t i = 0; i < count; ++i)
        text += narrow ? QChar(char16_t(chars[i])) : QChar(char16_t(chars[2 * i] | chars[2 * i + 1] << 8));
    p.textOut(ref, text, {}, int(options & ~0x100u), clip);
}

// BITBLT, STRETCHBLT, MASKBLT, ALPHABLEND and TRANSPARENTBLT share one layout.
void bltRecord(Player& p, Record& r)
{
    QRectF bounds;
    std::int32_t x, y, cx, cy, xSrc, ySrc, cxSrc = 0, cySrc = 0;
    std::uint32_t rop, bk, usage, offBmi, cbBmi, offBits, cbBits;
    if (!rect32(r.c, bounds) || !r.c.i32le(x) || !r.c.i32le(y) || !r.c.i32le(cx) || !r.c.i32le(cy)
        || !r.c.u32le(rop) || !r.c.i32le(xSrc) || !r.c.i32le(ySrc) || !r.c.skip(24) || !r.c.u32le(bk)
        || !r.c.u32le(usage) || !r.c.u32le(offBmi) || !r.c.u32le(cbBmi) || !r.c.u32le(offBits)
        || !r.c.u32le(cbBits))
        return;
    const QRectF dest(x, y, cx, cy);
    QImage mask;
    std::int32_t xMask = 0, yMask = 0;
    if (r.type == 76 || r.type == 78) {
        cxSrc = cx;
        cySrc = cy;
        std::uint32_t maskUsage, offBmiMask, cbBmiMask, offBitsMask, cbBitsMask;
        if (r.type == 78 && r.c.i32le(xMask) && r.c.i32le(yMask) && r.c.u32le(maskUsage) && r.c.u32le(offBmiMask)
            && r.c.u32le(cbBmiMask) && r.c.u32le(offBitsMask) && r.c.u32le(cbBitsMask))
            mask = dibOf(r, offBmiMask, cbBmiMask, offBitsMask, cbBitsMask);
    } else if (!r.c.i32le(cxSrc) || !r.c.i32le(cySrc)) {
        return;
    }
    if (cbBmi == 0) {
        if (r.type == 76 || r.type == 77 || r.type == 78)
            p.patBlt(dest, rop);
        return;
    }
    QImage image = dibOf(r, offBmi, cbBmi, offBits, cbBits);
    if (image.isNull())
        return;
    if (!mask.isNull()) { // MASKBLT: where the mask is black the destination stays
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int yy = 0; yy < image.height(); ++yy) {
            const std::int64_t my = std::int64_t(yy) - ySrc + yMask;
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(yy));
            const auto* m = my >= 0 && my < mask.height() ? reinterpret_cast<const QRgb*>(mask.constScanLine(int(my))) : nullptr;
            for (int xx = 0; xx < image.width(); ++xx) {
                const std::int64_t mx = std::int64_t(xx) - xSrc + xMask;
                if (!m || mx < 0 || mx >= mask.width() || (m[mx] & 0xffffffu) == 0)
                    row[xx] = 0;
            }
        }
    }
    if (r.type == 116) { // TRANSPARENTBLT: the colour in place of the raster operation is see-through
        image = image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = colourRef(rop);
        for (int yy = 0; yy < image.height(); ++yy) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(yy));
            for (int xx = 0; xx < image.width(); ++xx)
                if ((row[xx] | 0xff000000u) == key)
                    row[xx] = 0;
        }
    }
    p.drawBitmap(dest, image, QRectF(xSrc, ySrc, cxSrc, cySrc));
}

void dibitsRecord(Player& p, Record& r)
{
    QRectF bounds;
    std::int32_t x, y, xSrc, ySrc, cxSrc, cySrc, cx, cy;
    std::uint32_t offBmi, cbBmi, offBits, cbBits, usage, rop;
    if (!rect32(r.c, bounds) || !r.c.i32le(x) || !r.c.i32le(y) || !r.c.i32le(xSrc) || !r.c.i32le(ySrc)
        || !r.c.i32le(cxSrc) || !r.c.i32le(cySrc) || !r.c.u32le(offBmi) || !r.c.u32le(cbBmi)
        || !r.c.u32le(offBits) || !r.c.u32le(cbBits) || !r.c.u32le(usage) || !r.c.u32le(rop))
        return;
    if (r.type == 81) { // STRETCHDIBITS
        if (!r.c.i32le(cx) || !r.c.i32le(cy))
            return;
    } else { // SETDIBITSTODEVICE draws at the source's own size
        cx = cxSrc;
        cy = cySrc;
    }
    const QImage image = dibOf(r, offBmi, cbBmi, offBits, cbBits);
    if (image.isNull())
        return;
    // The source rectangle of a bottom-up bitmap counts rows from the bottom.
    Bytes info;
    slice(r, offBmi, cbBmi, info);
    const double top = bottomUp(info) ? double(image.height()) - ySrc - cySrc : double(ySrc);
    p.drawBitmap(QRectF(x, y, cx, cy), image, QRectF(xSrc, top, cxSrc, cySrc));
}

void gradientRecord(Player& p, Record& r)
{
    QRectF bounds;
    std::uint32_t nVer, nTri, mode;
    if (!rect32(r.c, bounds) || !r.c.u32le(nVer) || !r.c.u32le(nTri) || !r.c.u32le(mode))
        return;
    if (nVer > kMaxItems || std::size_t(nVer) * 16 > r.c.remaining())
        return;
    struct Vertex {
        QPointF at;
        QRgb colour;
    };
    std::vector<Vertex> v(nVer);
    for (auto& e : v) {
        std::uint16_t c[4] = {};
        point32(r.c, e.at);
        for (auto& k : c)
            r.c.u16le(k);
        e.colour = qRgb(c[0] >> 8, c[1] >> 8, c[2] >> 8);
    }
    const std::size_t each = mode == 2 ? 12 : 8;
    if (nTri > kMaxItems || std::size_t(nTri) * each > r.c.remaining())
        return;
    for (std::uint32_t i = 0; i < nTri; ++i) {
        std::uint32_t a = 0, b = 0, c = 0;
        r.c.u32le(a);
        r.c.u32le(b);
        if (mode == 2)
            r.c.u32le(c);
        if (a >= nVer || b >= nVer || c >= nVer)
            continue;
        if (mode == 2) {
            // A triangle takes the mean of its corner colours.
            const auto mean = [&](int (*ch)(QRgb)) { return (ch(v[a].colour) + ch(v[b].colour) + ch(v[c].colour)) / 3; };
            p.fillPolygonSolid(QPolygonF({v[a].at, v[b].at, v[c].at}), qRgb(mean(qRed), mean(qGreen), mean(qBlue)));
        } else {
            p.gradientRect(QRectF(v[a].at, v[b].at), v[a].colour, v[b].colour, mode == 1);
        }
    }
}

void createObject(Player& p, Record& r)
{
    std::uint32_t index;
    if (!r.c.u32le(index))
        return;
    gdi::GdiObject o;
    switch (r.type) {
    case 38: { // CREATEPEN
        std::uint32_t style, colour;
        std::int32_t wx, wy;
        if (!r.c.u32le(style) || !r.c.i32le(wx) || !r.c.i32le(wy) || !r.c.u32le(colour))
            return;
        o.kind = gdi::GdiObject::Pen;
        o.pen = {int(style & 0xffff), double(std::abs(std::int64_t(wx))), colourRef(colour)};
        break;
    }
    case 95: { // EXTCREATEPEN
        std::uint32_t offBmi, cbBmi, offBits, cbBits, style, width, brushStyle, colour;
        if (!r.c.u32le(offBmi) || !r.c.u32le(cbBmi) || !r.c.u32le(offBits) || !r.c.u32le(cbBits)
            || !r.c.u32le(style) || !r.c.u32le(width) || !r.c.u32le(brushStyle) || !r.c.u32le(colour))
            return;
        o.kind = gdi::GdiObject::Pen;
        const bool geometric = style & 0x10000;
        o.pen = {int(style & 0xffff), geometric ? double(width) : 0.0, colourRef(colour)};
        if (brushStyle == 1) // BS_NULL
            o.pen.style = 5;
        break;
    }
    case 39: { // CREATEBRUSHINDIRECT
        std::uint32_t style, colour, hatch;
        if (!r.c.u32le(style) || !r.c.u32le(colour) || !r.c.u32le(hatch))
            return;
        o.kind = gdi::GdiObject::Brush;
        o.brush = {int(style), colourRef(colour), int(hatch), {}};
        break;
    }
    case 93:   // CREATEMONOBRUSH
    case 94: { // CREATEDIBPATTERNBRUSHPT
        std::uint32_t usage, offBmi, cbBmi, offBits, cbBits;
        if (!r.c.u32le(usage) || !r.c.u32le(offBmi) || !r.c.u32le(cbBmi) || !r.c.u32le(offBits)
            || !r.c.u32le(cbBits))
            return;
        o.kind = gdi::GdiObject::Brush;
        o.brush = {5, qRgb(0, 0, 0), 0, dibOf(r, offBmi, cbBmi, offBits, cbBits)};
        break;
    }
    case 82: { // EXTCREATEFONTINDIRECTW
        std::int32_t height, width, escapement, orientation, weight;
        std::uint8_t flags[8];
        Bytes face;
        if (!r.c.i32le(height) || !r.c.i32le(width) || !r.c.i32le(escapement) || !r.c.i32le(orientation)
            || !r.c.i32le(weight))
            return;
        for (auto& f : flags)
            if (!r.c.u8(f))
                return;
        if (!r.c.bytes(face, 64))
            return;
        o.kind = gdi::GdiObject::Font;
        o.font.height = height;
        o.font.escapement = escapement % 3600;
        o.font.weight = weight;
        o.font.italic = flags[0];
        o.font.underline = flags[1];
        o.font.strikeOut = flags[2];
        o.font.charset = flags[3];
        for (std::size_t i = 0; i + 1 < face.size(); i += 2) {
            const char16_t ch = char16_t(face[i] | face[i + 1] << 8);
            if (ch == 0)
                break;
            o.font.face += QChar(ch);
        }
        break;
    }
    default: o.kind = gdi::GdiObject::Other; // palettes
    }
    p.setObject(index, o);
}

void play(Player& p, Record& r)
{
    auto& dc = p.dc();
    QPointF pt;
    QRectF rect;
    std::uint32_t u = 0;
    std::int32_t i = 0;
    switch (r.type) {
    case 2: case 3: case 4: case 5: case 6: polyRecord(p, r, false); break;
    case 85: case 86: case 87: case 88: case 89: polyRecord(p, r, true); break;
    case 7: case 8: polyPolyRecord(p, r, false); break;
    case 90: case 91: polyPolyRecord(p, r, true); break;
    case 9: if (point32(r.c, pt)) dc.windowExt = pt; break;
    case 10: if (point32(r.c, pt)) dc.windowOrg = pt; break;
    case 11: if (point32(r.c, pt)) dc.viewportExt = pt; break;
    case 12: if (point32(r.c, pt)) dc.viewportOrg = pt; break;
    case 15:
        if (point32(r.c, pt) && r.c.u32le(u))
            p.setPixel(pt, colourRef(u));
        break;
    case 17: if (r.c.u32le(u)) dc.mapMode = int(u); break;
    case 18: if (r.c.u32le(u)) dc.opaqueBackground = u == 2; break;
    case 19: if (r.c.u32le(u)) dc.windingFill = u == 2; break;
    case 22: if (r.c.u32le(u)) dc.textAlign = int(u); break;
    case 24: if (r.c.u32le(u)) dc.textColour = colourRef(u); break;
    case 25: if (r.c.u32le(u)) dc.bkColour = colourRef(u); break;
    case 27: if (point32(r.c, pt)) p.moveTo(pt); break;
    case 54: if (point32(r.c, pt)) p.lineTo(pt); break;
    case 29: if (rect32(r.c, rect)) p.excludeClip(rect); break;
    case 30: if (rect32(r.c, rect)) p.intersectClip(rect); break;
    case 31:
    case 32: { // SCALEVIEWPORTEXTEX, SCALEWINDOWEXTEX
        std::int32_t xn, xd, yn, yd;
        if (!r.c.i32le(xn) || !r.c.i32le(xd) || !r.c.i32le(yn) || !r.c.i32le(yd) || xd == 0 || yd == 0)
            break;
        QPointF& ext = r.type == 31 ? dc.viewportExt : dc.windowExt;
        ext = QPointF(ext.x() * xn / xd, ext.y() * yn / yd);
        break;
    }
    case 33: p.saveDc(); break;
    case 34: if (r.c.i32le(i)) p.restoreDc(i); break;
    case 35:
    case 36: { // SETWORLDTRANSFORM, MODIFYWORLDTRANSFORM
        double m[6];
        for (double& v : m)
            if (!f32(r.c, v))
                return;
        const QTransform x(m[0], m[1], m[2], m[3], m[4], m[5]);
        std::uint32_t mode = 4;
        if (r.type == 36 && !r.c.u32le(mode))
            return;
        switch (mode) {
        case 1: dc.world = QTransform(); break;
        case 2: dc.world = x * dc.world; break;
        case 3: dc.world = dc.world * x; break;
        case 4: dc.world = x; break;
        default: break;
        }
        break;
    }
    case 37: if (r.c.u32le(u)) p.selectObject(u); break;
    case 40: if (r.c.u32le(u)) p.deleteObject(u); break;
    case 38: case 39: case 49: case 82: case 93: case 94: case 95: createObject(p, r); break;
    case 41: { // ANGLEARC
        std::uint32_t radius;
        double start, sweep;
        if (point32(r.c, pt) && r.c.u32le(radius) && f32(r.c, start) && f32(r.c, sweep))
            p.angleArc(pt, radius, start, sweep);
        break;
    }
    case 42: if (rect32(r.c, rect)) p.ellipse(rect); break;
    case 43: if (rect32(r.c, rect)) p.rectangle(rect); break;
    case 44:
        if (rect32(r.c, rect) && point32(r.c, pt))
            p.roundRect(rect, QSizeF(pt.x(), pt.y()));
        break;
    case 45: case 46: case 47: case 55: {
        QPointF a, b;
        if (!rect32(r.c, rect) || !point32(r.c, a) || !point32(r.c, b))
            break;
        const auto kind = r.type == 45 ? Player::Arc : r.type == 46 ? Player::Chord : r.type == 47 ? Player::Pie : Player::ArcTo;
        p.arc(kind, rect, a, b);
        break;
    }
    case 57: if (r.c.u32le(u)) dc.clockwise = u == 2; break;
    case 59: p.beginPath(); break;
    case 60: p.endPath(); break;
    case 61: p.closeFigure(); break;
    case 62: p.fillPath(true, false); break;
    case 63: p.fillPath(true, true); break;
    case 64: p.fillPath(false, true); break;
    case 67: p.clipToPath(); break;
    case 68: p.abortPath(); break;
    case 71: { // FILLRGN
        std::uint32_t size, brush;
        std::vector<QRectF> rects;
        if (!rect32(r.c, rect) || !r.c.u32le(size) || !r.c.u32le(brush) || !region(r.c, rects))
            break;
        if (const gdi::GdiObject* o = p.object(brush); o && o->kind == gdi::GdiObject::Brush)
            p.fillDeviceRects(rects, o->brush);
        break;
    }
    case 74: { // PAINTRGN
        std::uint32_t size;
        std::vector<QRectF> rects;
        if (rect32(r.c, rect) && r.c.u32le(size) && region(r.c, rects))
            p.fillDeviceRects(rects, dc.brush);
        break;
    }
    case 75: { // EXTSELECTCLIPRGN
        std::uint32_t size, mode;
        std::vector<QRectF> rects;
        if (!r.c.u32le(size) || !r.c.u32le(mode))
            break;
        if (size == 0 || region(r.c, rects))
            p.setClipRects(rects, int(mode));
        break;
    }
    case 76: case 77: case 78: case 114: case 116: bltRecord(p, r); break;
    case 80: case 81: dibitsRecord(p, r); break;
    case 83: case 84: textRecord(p, r); break;
    case 108: smallTextRecord(p, r); break;
    case 118: gradientRecord(p, r); break;
    default: break; // records without a visible effect here are skipped
    }
}

} // namespace

QSize emfSize(Bytes file) { return sizeOf(readHeader(file)); }

QImage renderEmf(Bytes file)
{
    const EmfHeader h = readHeader(file);
    const QSize size = sizeOf(h);
    QImage picture = blankPicture(size);
    const QPointF perMm = devicePerMm(h);
    // Device pixels to picture pixels: through hundredths of a millimetre,
    // with the frame's top-left corner at the picture's origin.
    const double fw = double(h.frame[2]) - h.frame[0], fh = double(h.frame[3]) - h.frame[1];
    // The header's 32-bit fields are widened before any product or negation:
    // their extremes overflow an int.
    QTransform toImage;
    if (fw * kPixelsPerHundredthMm >= 0.5 && fh * kPixelsPerHundredthMm >= 0.5) {
        const double sx = 100.0 / perMm.x() * size.width() / fw;
        const double sy = 100.0 / perMm.y() * size.height() / fh;
        toImage = QTransform(sx, 0, 0, sy, -double(h.frame[0]) * size.width() / fw,
                             -double(h.frame[1]) * size.height() / fh);
    } else {
        toImage = QTransform::fromTranslate(-double(h.bounds[0]), -double(h.bounds[1]));
    }
    {
        Player player(picture, toImage, perMm);
        player.resizeObjects(h.handles);
        ByteCursor c(file);
        c.seek(h.headerSize);
        while (c.remaining() >= 8) {
            const std::size_t start = c.pos();
            std::uint32_t type = 0, length = 0;
            c.u32le(type);
            c.u32le(length);
            if (length < 8 || length > file.size() - start)
                break; // a damaged record ends the drawing
            if (type == 14) // EOF
                break;
            Record r{type, file.subspan(start, length), ByteCursor(file.subspan(start + 8, length - 8))};
            play(player, r);
            c.seek(start + length);
        }
    }
    return picture;
}

} // namespace orugif::formats::metafile
