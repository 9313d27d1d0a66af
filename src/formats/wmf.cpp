// WMF playback: the placeable header (or the window extent) sizes the
// picture; the window set by the records maps onto the whole picture. Every
// record is checked against its own size before a field is read.
#include "formats/metafile_internal.h"

#include "formats/bytecursor.h"
#include "formats/dib.h"
#include "formats/gdi.h"

#include <cmath>

namespace orugif::formats::metafile {

namespace {

using gdi::colourRef;
using gdi::Player;
using Bytes = std::span<const std::uint8_t>;

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr int kLargestUnplacedSide = 1024;

struct WmfHeader {
    bool placeable = false;
    QRectF window;        // logical frame of the drawing
    QSize size;           // picture pixels
    std::size_t records = 0; // offset of the first record
    std::uint16_t objects = 0;
};

// Walks the records and calls f(function, params) for each until it returns
// false, the end record, or a damaged record.
template <typename F>
void forEachRecord(Bytes file, std::size_t from, F&& f)
{
    ByteCursor c(file);
    c.seek(from);
    while (c.remaining() >= 6) {
        const std::size_t start = c.pos();
        std::uint32_t words = 0;
        std::uint16_t function = 0;
        c.u32le(words);
        c.u16le(function);
        if (words < 3 || words > (file.size() - start) / 2 || function == 0)
            return;
        if (!f(function, words, file.subspan(start + 6, std::size_t(words) * 2 - 6)))
            return;
        c.seek(start + std::size_t(words) * 2);
    }
}

WmfHeader readHeader(Bytes file)
{
    WmfHeader h;
    ByteCursor c(file);
    std::uint32_t key = 0;
    c.u32le(key);
    double unitsPerInch = 0;
    if (key == kPlaceableKey) {
        std::uint16_t handle, inch, checksum;
        std::int16_t l, t, r, b;
        std::uint32_t reserved;
        if (!c.u16le(handle) || !c.i16le(l) || !c.i16le(t) || !c.i16le(r) || !c.i16le(b) || !c.u16le(inch)
            || !c.u32le(reserved) || !c.u16le(checksum))
            throw EMetafileException(kBadHeader);
        h.placeable = true;
        h.window = QRectF(QPointF(l, t), QPointF(r, b));
        unitsPerInch = inch ? inch : 1440;
    } else {
        c.seek(0);
    }
    std::uint16_t type, headerWords, version, objects, members;
    std::uint32_t size, largest;
    if (!c.u16le(type) || !c.u16le(headerWords) || !c.u16le(version) || !c.u32le(size) || !c.u16le(objects)
        || !c.u32le(largest) || !c.u16le(members) || (type != 1 && type != 2) || headerWords != 9)
        throw EMetafileException(kBadHeader);
    h.records = c.pos();
    h.objects = objects;

    if (h.placeable) {
        const double w = std::abs(h.window.width()) * 96 / unitsPerInch;
        const double hh = std::abs(h.window.height()) * 96 / unitsPerInch;
        h.size = QSize(int(std::lround(w)), int(std::lround(hh)));
    } else {
        // Without a placeable header the records' window is the frame, one
        // unit a pixel, brought down to a sensible size when it is larger.
        bool sized = false;
        forEachRecord(file, h.records, [&](std::uint16_t function, std::uint32_t, Bytes params) {
            ByteCursor p(params);
            std::int16_t y, x;
            if (!p.i16le(y) || !p.i16le(x))
                return true;
            if (function == 0x020B && !sized)
                h.window.moveTopLeft(QPointF(x, y));
            if (function == 0x020C) {
                h.window.setSize(QSizeF(x, y));
                sized = true;
                return false;
            }
            return true;
        });
        if (!sized)
            throw EMetafileException(kBadHeader);
        double w = std::abs(h.window.width()), hh = std::abs(h.window.height());
        const double largestSide = std::max(w, hh);
        if (largestSide > kLargestUnplacedSide) {
            w = w * kLargestUnplacedSide / largestSide;
            hh = hh * kLargestUnplacedSide / largestSide;
        }
        h.size = QSize(int(std::lround(w)), int(std::lround(hh)));
    }
    if (h.size.width() < 1 || h.size.height() < 1)
        throw EMetafileException(kBadHeader);
    return h;
}

// ---- Record fields -----------------------------------------------------------

// Rectangles are stored bottom, right, top, left.
bool rect16(ByteCursor& c, QRectF& r)
{
    std::int16_t b, rr, t, l;
    if (!c.i16le(b) || !c.i16le(rr) || !c.i16le(t) || !c.i16le(l))
        return false;
    r = QRectF(QPointF(l, t), QPointF(rr, b));
    return true;
}

// Points are stored y, x.
bool point16(ByteCursor& c, QPointF& p)
{
    std::int16_t y, x;
    if (!c.i16le(y) || !c.i16le(x))
        return false;
    p = QPointF(x, y);
    return true;
}

bool points(ByteCursor& c, std::size_t count, QPolygonF& out)
{
    if (count * 4 > c.remaining())
        return false;
    out.resize(qsizetype(count));
    for (std::size_t i = 0; i < count; ++i) {
        std::int16_t x = 0, y = 0;
        c.i16le(x);
        c.i16le(y);
        out[qsizetype(i)] = QPointF(x, y);
    }
    return true;
}

QString text8(Bytes b)
{
    QString s;
    for (std::uint8_t ch : b)
        s += QChar(char16_t(ch));
    return s;
}

void createObject(Player& p, std::uint16_t function, ByteCursor& c, Bytes params)
{
    gdi::GdiObject o;
    o.kind = gdi::GdiObject::Other;
    switch (function) {
    case 0x02FA: { // CREATEPENINDIRECT
        std::uint16_t style;
        std::int16_t wx, wy;
        std::uint32_t colour;
        if (c.u16le(style) && c.i16le(wx) && c.i16le(wy) && c.u32le(colour)) {
            o.kind = gdi::GdiObject::Pen;
            o.pen = {style, double(std::abs(int(wx))), colourRef(colour)};
        }
        break;
    }
    case 0x02FC: { // CREATEBRUSHINDIRECT
        std::uint16_t style, hatch = 0;
        std::uint32_t colour;
        if (c.u16le(style) && c.u32le(colour)) {
            c.u16le(hatch);
            o.kind = gdi::GdiObject::Brush;
            o.brush = {style, colourRef(colour), hatch, {}};
        }
        break;
    }
    case 0x0142: { // DIBCREATEPATTERNBRUSH
        std::uint16_t style, usage;
        if (c.u16le(style) && c.u16le(usage)) {
            o.kind = gdi::GdiObject::Brush;
            o.brush = {5, qRgb(0, 0, 0), 0, packedDibToImage(params.subspan(4))};
        }
        break;
    }
    case 0x02FB: { // CREATEFONTINDIRECT
        std::int16_t height, width, escapement, orientation, weight;
        std::uint8_t flags[8] = {};
        if (!c.i16le(height) || !c.i16le(width) || !c.i16le(escapement) || !c.i16le(orientation)
            || !c.i16le(weight))
            break;
        for (auto& f : flags)
            c.u8(f);
        o.kind = gdi::GdiObject::Font;
        o.font.height = height;
        o.font.escapement = escapement;
        o.font.weight = weight;
        o.font.italic = flags[0];
        o.font.underline = flags[1];
        o.font.strikeOut = flags[2];
        o.font.charset = flags[3];
        std::uint8_t ch = 0;
        for (int i = 0; i < 32 && c.u8(ch) && ch != 0; ++i)
            o.font.face += QChar(char16_t(ch));
        break;
    }
    default: break; // palettes, regions and old bitmaps only hold a slot
    }
    // A new object takes the lowest free slot of the table; with none free
    // it is dropped, and its creation is charged all the same.
    const int slot = p.firstFreeObject();
    p.setObject(slot >= 0 ? std::size_t(slot) : SIZE_MAX, o);
}

void textOut(Player& p, ByteCursor& c)
{
    std::int16_t count;
    Bytes chars;
    QPointF at;
    if (!c.i16le(count) || count < 0 || !c.bytes(chars, std::size_t(count)) || !c.skip(std::size_t(count) & 1)
        || !point16(c, at))
        return;
    p.textOut(at, text8(chars), {}, 0, {});
}

void extTextOut(Player& p, ByteCursor& c)
{
    QPointF at;
    std::int16_t count;
    std::uint16_t options;
    if (!point16(c, at) || !c.i16le(count) || count < 0 || !c.u16le(options))
        return;
    QRectF rect;
    if (options & 6) { // ETO_OPAQUE or ETO_CLIPPED: a rectangle left, top, right, bottom
        std::int16_t l, t, r, b;
        if (!c.i16le(l) || !c.i16le(t) || !c.i16le(r) || !c.i16le(b))
            return;
        rect = QRectF(QPointF(l, t), QPointF(r, b));
    }
    Bytes chars;
    if (!c.bytes(chars, std::size_t(count)) || !c.skip(std::size_t(count) & 1))
        return;
    std::vector<double> dx;
    if (c.remaining() >= std::size_t(count) * 2) {
        for (int i = 0; i < count; ++i) {
            std::int16_t v = 0;
            c.i16le(v);
            dx.push_back(v);
        }
    }
    p.textOut(at, text8(chars), dx, options, rect);
}

// DIB copies; the variants without a bitmap paint with the brush.
void bitmapRecord(Player& p, std::uint16_t function, std::uint32_t words, ByteCursor& c, Bytes params)
{
    const bool noBitmap = words == std::uint32_t(function >> 8) + 3;
    std::uint32_t rop;
    if (!c.u32le(rop))
        return;
    std::int16_t v[9] = {};
    QRectF dest, src;
    bool fromBottom = false;
    switch (function) {
    case 0x0940: { // DIBBITBLT: ySrc, xSrc, [reserved], height, width, yDest, xDest
        const int n = noBitmap ? 7 : 6;
        for (int i = 0; i < n; ++i)
            if (!c.i16le(v[i]))
                return;
        const int k = noBitmap ? 1 : 0;
        dest = QRectF(v[5 + k], v[4 + k], v[3 + k], v[2 + k]);
        src = QRectF(v[1], v[0], v[3 + k], v[2 + k]);
        break;
    }
    case 0x0B41: { // DIBSTRETCHBLT: srcH, srcW, ySrc, xSrc, [reserved], destH, destW, yDest, xDest
        const int n = noBitmap ? 9 : 8;
        for (int i = 0; i < n; ++i)
            if (!c.i16le(v[i]))
                return;
        const int k = noBitmap ? 1 : 0;
        dest = QRectF(v[7 + k], v[6 + k], v[5 + k], v[4 + k]);
        src = QRectF(v[3], v[2], v[1], v[0]);
        break;
    }
    case 0x0F43: { // STRETCHDIB: usage, srcH, srcW, ySrc, xSrc, destH, destW, yDest, xDest
        for (int i = 0; i < 9; ++i)
            if (!c.i16le(v[i]))
                return;
        dest = QRectF(v[8], v[7], v[6], v[5]);
        src = QRectF(v[4], v[3], v[2], v[1]);
        fromBottom = true;
        break;
    }
    default: return;
    }
    if (noBitmap && function != 0x0F43) {
        p.patBlt(dest, rop);
        return;
    }
    const QImage image = packedDibToImage(params.subspan(c.pos()));
    if (image.isNull())
        return;
    if (fromBottom) // rows of the source rectangle count from the bottom
        src.moveTop(image.height() - src.top() - src.height());
    p.drawBitmap(dest, image, src);
}

void setDibToDevice(Player& p, ByteCursor& c, Bytes params)
{
    std::int16_t v[9];
    for (auto& x : v)
        if (!c.i16le(x))
            return;
    // usage, scans, start scan, ySrc, xSrc, height, width, yDest, xDest
    const QImage image = packedDibToImage(params.subspan(c.pos()));
    if (image.isNull())
        return;
    const QRectF src(v[4], image.height() - v[3] - v[5], v[6], v[5]);
    p.drawBitmap(QRectF(v[8], v[7], v[6], v[5]), image, src);
}

bool play(Player& p, std::uint16_t function, std::uint32_t words, Bytes params)
{
    auto& dc = p.dc();
    ByteCursor c(params);
    QPointF pt;
    QRectF rect;
    std::uint16_t u = 0;
    std::uint32_t colour = 0;
    switch (function) {
    case 0x020B: if (point16(c, pt)) dc.windowOrg = pt; break;
    case 0x020C: if (point16(c, pt)) dc.windowExt = pt; break;
    case 0x020F: if (point16(c, pt)) dc.windowOrg += pt; break;
    case 0x0410: { // SCALEWINDOWEXT: yDenom, yNum, xDenom, xNum
        std::int16_t yd, yn, xd, xn;
        if (c.i16le(yd) && c.i16le(yn) && c.i16le(xd) && c.i16le(xn) && xd != 0 && yd != 0)
            dc.windowExt = QPointF(dc.windowExt.x() * xn / xd, dc.windowExt.y() * yn / yd);
        break;
    }
    case 0x0201: if (c.u32le(colour)) dc.bkColour = colourRef(colour); break;
    case 0x0209: if (c.u32le(colour)) dc.textColour = colourRef(colour); break;
    case 0x0102: if (c.u16le(u)) dc.opaqueBackground = u == 2; break;
    case 0x0106: if (c.u16le(u)) dc.windingFill = u == 2; break;
    case 0x012E: if (c.u16le(u)) dc.textAlign = u; break;
    case 0x0214: if (point16(c, pt)) p.moveTo(pt); break;
    case 0x0213: if (point16(c, pt)) p.lineTo(pt); break;
    case 0x0325:
    case 0x0324: {
        std::uint16_t n;
        QPolygonF poly;
        if (c.u16le(n) && points(c, n, poly))
            function == 0x0325 ? p.polyline(poly) : p.polygon(poly);
        break;
    }
    case 0x0538: { // POLYPOLYGON
        std::uint16_t n;
        if (!c.u16le(n) || std::size_t(n) * 2 > c.remaining())
            break;
        std::vector<std::uint16_t> counts(n);
        for (auto& k : counts)
            c.u16le(k);
        std::vector<QPolygonF> shapes;
        for (std::uint16_t k : counts) {
            QPolygonF poly;
            if (!points(c, k, poly))
                return true;
            shapes.push_back(poly);
        }
        p.polyPolygon(shapes);
        break;
    }
    case 0x041B: if (rect16(c, rect)) p.rectangle(rect); break;
    case 0x0418: if (rect16(c, rect)) p.ellipse(rect); break;
    case 0x061C: {
        std::int16_t h, w;
        if (c.i16le(h) && c.i16le(w) && rect16(c, rect))
            p.roundRect(rect, QSizeF(w, h));
        break;
    }
    case 0x0817: case 0x0830: case 0x081A: { // ARC, CHORD, PIE
        QPointF end, start;
        if (!point16(c, end) || !point16(c, start) || !rect16(c, rect))
            break;
        p.arc(function == 0x0817 ? Player::Arc : function == 0x0830 ? Player::Chord : Player::Pie, rect, start, end);
        break;
    }
    case 0x041F: if (c.u32le(colour) && point16(c, pt)) p.setPixel(pt, colourRef(colour)); break;
    case 0x0521: textOut(p, c); break;
    case 0x0A32: extTextOut(p, c); break;
    case 0x02FA: case 0x02FC: case 0x02FB: case 0x0142: case 0x00F7: case 0x06FF: case 0x01F9:
        createObject(p, function, c, params);
        break;
    case 0x012D: if (c.u16le(u)) p.selectObject(u); break;
    case 0x01F0: if (c.u16le(u)) p.deleteObject(u); break;
    case 0x001E: p.saveDc(); break;
    case 0x0127: {
        std::int16_t n;
        if (c.i16le(n))
            p.restoreDc(n);
        break;
    }
    case 0x0415: if (rect16(c, rect)) p.excludeClip(rect); break;
    case 0x0416: if (rect16(c, rect)) p.intersectClip(rect); break;
    case 0x012C: p.resetClip(); break; // regions are not kept; drawing stays unclipped
    case 0x0940: case 0x0B41: case 0x0F43: bitmapRecord(p, function, words, c, params); break;
    case 0x0D33: setDibToDevice(p, c, params); break;
    case 0x0922: { // PATBLT: rop, height, width, y, x
        std::uint32_t rop;
        std::int16_t h, w, y, x;
        if (c.u32le(rop) && c.i16le(h) && c.i16le(w) && c.i16le(y) && c.i16le(x))
            p.patBlt(QRectF(x, y, w, h), rop);
        break;
    }
    default: break; // mapping mode and viewport stay on the picture; others have no visible effect here
    }
    return true;
}

} // namespace

QSize wmfSize(Bytes file) { return readHeader(file).size; }

QImage renderWmf(Bytes file)
{
    const WmfHeader h = readHeader(file);
    QImage picture = blankPicture(h.size);
    {
        Player player(picture, QTransform(), QPointF(96 / 25.4, 96 / 25.4));
        player.resizeObjects(h.objects);
        auto& dc = player.dc();
        dc.mapMode = 8; // MM_ANISOTROPIC: the window fills the picture
        dc.windowOrg = h.window.topLeft();
        dc.windowExt = QPointF(h.window.width(), h.window.height());
        dc.viewportOrg = QPointF(0, 0);
        dc.viewportExt = QPointF(h.size.width(), h.size.height());
        forEachRecord(file, h.records, [&](std::uint16_t function, std::uint32_t words, Bytes params) {
            return play(player, function, words, params);
        });
    }
    return picture;
}

} // namespace orugif::formats::metafile
