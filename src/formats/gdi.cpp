// The device context of metafile playback: mapping from logical units to
// picture pixels, pens, brushes, fonts, saved states, clipping and paths.
#include "formats/gdi.h"

#include "formats/metafile_internal.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPathStroker>
#include <cmath>

namespace orugif::formats::gdi {

using namespace detail;

namespace {

constexpr std::size_t kMaxSavedStates = 4096;

} // namespace

Player::Player(QImage& target, const QTransform& deviceToImage, QPointF devicePixelsPerMm)
    : painter_(&target), deviceToImage_(deviceToImage), devicePerMm_(devicePixelsPerMm)
{
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
    dc_.font.face = QStringLiteral("DejaVu Sans");
    budget_ = std::min(kWorkPerPicturePixel * std::max(std::int64_t(target.width()) * target.height(), kMinBudgetArea),
                       kMaxWork);
}

QRectF Player::visible(const QRectF& imageArea) const
{
    const QRectF all(0, 0, painter_.device()->width(), painter_.device()->height());
    const QRectF cut = imageArea.normalized().intersected(all);
    return std::isfinite(cut.width()) && std::isfinite(cut.height()) ? cut : QRectF();
}

void Player::charge(const QRectF& imageArea, qsizetype elements)
{
    const QRectF cut = visible(imageArea);
    chargePixels(cut.isEmpty() ? 0 : (cut.width() + 1) * (cut.height() + 1), elements);
}

void Player::chargeRegion(qsizetype elements)
{
    // Intersecting, uniting or cutting outlines compares their edges with
    // each other: the cost grows with the square of their element count.
    chargePixels(double(elements) * double(elements) / kWorkPerElement, elements);
}

void Player::chargePixels(double pixels, qsizetype elements)
{
    // Past the budget every charge fails, so the sum cannot overflow.
    const double units = 1 + (std::isfinite(pixels) ? std::clamp(pixels, 0.0, double(budget_)) : double(budget_))
        + double(kWorkPerElement) * double(elements);
    work_ += std::int64_t(std::min(units, double(budget_) + 1));
    if (work_ > budget_)
        throw EMetafileException(metafile::kTooMuchWork);
}

Player::~Player() { painter_.end(); }

// ---- Mapping ---------------------------------------------------------------

QTransform Player::pageTransform() const
{
    double sx = 1, sy = 1;
    const auto ratio = [](double v, double w) { return w == 0 ? 1.0 : v / w; };
    switch (dc_.mapMode) {
    case 2: sx = 0.1; break;        // MM_LOMETRIC
    case 3: sx = 0.01; break;       // MM_HIMETRIC
    case 4: sx = 0.254; break;      // MM_LOENGLISH
    case 5: sx = 0.0254; break;     // MM_HIENGLISH
    case 6: sx = 25.4 / 1440; break; // MM_TWIPS
    case 7:
    case 8:
        sx = ratio(dc_.viewportExt.x(), dc_.windowExt.x());
        sy = ratio(dc_.viewportExt.y(), dc_.windowExt.y());
        if (dc_.mapMode == 7) { // MM_ISOTROPIC: the smaller scale both ways
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    default: break;
    }
    if (dc_.mapMode >= 2 && dc_.mapMode <= 6) {
        // Fixed units of length, y going up.
        sy = -sx * devicePerMm_.y();
        sx *= devicePerMm_.x();
    }
    return QTransform(sx, 0, 0, sy, dc_.viewportOrg.x() - dc_.windowOrg.x() * sx,
                      dc_.viewportOrg.y() - dc_.windowOrg.y() * sy);
}

QTransform Player::logicalToImage() const { return dc_.world * pageTransform() * deviceToImage_; }

// ---- Objects ---------------------------------------------------------------

void Player::resizeObjects(std::size_t count)
{
    objects_.assign(std::min<std::size_t>(count, 65536), {});
    freeObjects_.clear();
    for (std::uint32_t i = 0; i < objects_.size(); ++i)
        freeObjects_.insert(freeObjects_.end(), i);
}

// The lowest free slot is kept at hand: a file that creates an object per
// record must not make each creation walk the whole table.
int Player::firstFreeObject() const { return freeObjects_.empty() ? -1 : int(*freeObjects_.begin()); }

void Player::setObject(std::size_t index, const GdiObject& object)
{
    chargePixels(double(object.brush.pattern.width()) * object.brush.pattern.height(), 0);
    chargePixels(double(kWorkPerObject), 0);
    if (index >= objects_.size())
        return;
    objects_[index] = object;
    if (object.kind == GdiObject::None)
        freeObjects_.insert(std::uint32_t(index));
    else
        freeObjects_.erase(std::uint32_t(index));
}

void Player::selectObject(std::uint32_t index)
{
    if (index & 0x80000000u) {
        const auto grey = [](int v) { return qRgb(v, v, v); };
        switch (index & 0x7fffffffu) {
        case 0: dc_.brush = {0, grey(255), 0, {}}; break;
        case 1: dc_.brush = {0, grey(192), 0, {}}; break;
        case 2: dc_.brush = {0, grey(128), 0, {}}; break;
        case 3: dc_.brush = {0, grey(64), 0, {}}; break;
        case 4: dc_.brush = {0, grey(0), 0, {}}; break;
        case 5: dc_.brush = {1, grey(0), 0, {}}; break;
        case 6: dc_.pen = {0, 0, grey(255)}; break;
        case 7: dc_.pen = {0, 0, grey(0)}; break;
        case 8: dc_.pen = {5, 0, grey(0)}; break;
        case 10: case 11: case 12: case 13: case 14: case 16: case 17:
            dc_.font = LogFont{};
            dc_.font.face = QStringLiteral("DejaVu Sans");
            break;
        default: break;
        }
        return;
    }
    if (index >= objects_.size())
        return;
    const GdiObject& o = objects_[index];
    switch (o.kind) {
    case GdiObject::Pen: dc_.pen = o.pen; break;
    case GdiObject::Brush: dc_.brush = o.brush; break;
    case GdiObject::Font: dc_.font = o.font; break;
    default: break;
    }
}

void Player::deleteObject(std::uint32_t index)
{
    chargePixels(double(kWorkPerObject), 0);
    if (index < objects_.size()) {
        objects_[index] = {};
        freeObjects_.insert(index);
    }
}

const GdiObject* Player::object(std::uint32_t index) const
{
    return index < objects_.size() ? &objects_[index] : nullptr;
}

void Player::saveDc()
{
    if (saved_.size() < kMaxSavedStates)
        saved_.push_back(dc_);
}

void Player::restoreDc(int which)
{
    const auto n = std::int64_t(saved_.size());
    const std::int64_t keep = which < 0 ? n + which : std::int64_t(which) - 1;
    if (keep < 0 || keep >= n)
        return;
    dc_ = saved_[std::size_t(keep)];
    saved_.resize(std::size_t(keep));
}

// ---- Clipping --------------------------------------------------------------

void Player::intersectClip(const QRectF& r)
{
    const QPainterPath mapped = logicalToImage().map(rectPath(r.normalized()));
    chargeRegion(dc_.clip.elementCount() + mapped.elementCount());
    dc_.clip = dc_.clipped ? dc_.clip.intersected(mapped) : mapped;
    dc_.clipped = true;
}

void Player::excludeClip(const QRectF& r)
{
    const QPainterPath mapped = logicalToImage().map(rectPath(r.normalized()));
    const QRectF all(-1, -1, painter_.device()->width() + 2, painter_.device()->height() + 2);
    chargeRegion(dc_.clip.elementCount() + mapped.elementCount());
    dc_.clip = (dc_.clipped ? dc_.clip : rectPath(all)).subtracted(mapped);
    dc_.clipped = true;
}

void Player::resetClip()
{
    dc_.clipped = false;
    dc_.clip = {};
}

void Player::setClipRects(const std::vector<QRectF>& deviceRects, int mode)
{
    chargeRegion(dc_.clip.elementCount() + 5 * qsizetype(deviceRects.size()));
    QPainterPath region;
    for (const QRectF& r : deviceRects)
        region.addRect(r.normalized());
    region = deviceToImage_.map(region).simplified();
    if (mode == 5 && deviceRects.empty()) { // RGN_COPY with no region: no clipping
        resetClip();
        return;
    }
    const QRectF all(-1, -1, painter_.device()->width() + 2, painter_.device()->height() + 2);
    const QPainterPath current = dc_.clipped ? dc_.clip : rectPath(all);
    switch (mode) {
    case 1: dc_.clip = current.intersected(region); break;                           // RGN_AND
    case 2: dc_.clip = current.united(region); break;                                // RGN_OR
    case 3: dc_.clip = current.united(region).subtracted(current.intersected(region)); break; // RGN_XOR
    case 4: dc_.clip = current.subtracted(region); break;                            // RGN_DIFF
    default: dc_.clip = region; break;                                               // RGN_COPY
    }
    dc_.clipped = true;
}

// ---- Pens and brushes ------------------------------------------------------

QPen Player::makePen() const
{
    const LogPen& p = dc_.pen;
    const int style = p.style & 0x0f;
    if (style == 5) // PS_NULL
        return Qt::NoPen;
    QPen pen(QColor::fromRgb(p.colour));
    static constexpr Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                               Qt::DashDotDotLine};
    pen.setStyle(style < 5 ? kStyles[style] : Qt::SolidLine);
    const int cap = p.style & 0x0f00, join = p.style & 0xf000;
    pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(join == 0x1000 ? Qt::BevelJoin : join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
    const double mapped = p.width * scaleOf(logicalToImage(), false);
    if (!(mapped >= 1.0) || !std::isfinite(mapped)) {
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
    } else {
        pen.setWidthF(std::min(p.width, 32767.0)); // the widest pen Qt accepts
    }
    return pen;
}

QBrush Player::makeBrush(const LogBrush& b) const
{
    QBrush brush;
    switch (b.style) {
    case 1: return Qt::NoBrush; // BS_NULL
    case 2: {                   // BS_HATCHED
        static constexpr Qt::BrushStyle kHatch[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                    Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        brush = QBrush(QColor::fromRgb(b.colour), b.hatch >= 0 && b.hatch < 6 ? kHatch[b.hatch] : Qt::SolidPattern);
        break;
    }
    case 3:
    case 5:
    case 6:
        if (!b.pattern.isNull()) {
            brush = QBrush(b.pattern);
            break;
        }
        [[fallthrough]];
    default: return QBrush(QColor::fromRgb(b.colour));
    }
    // Patterns and hatches stay in picture pixels, as on a screen.
    bool invertible = false;
    const QTransform inverse = logicalToImage().inverted(&invertible);
    if (invertible)
        brush.setTransform(inverse);
    return brush;
}

void Player::prepare(bool fill)
{
    painter_.resetTransform();
    if (dc_.clipped) {
        // The clipping region is turned into spans row by row for each
        // drawing: charged by its outline and its height, not its area.
        const QRectF clipBox = dc_.clip.controlPointRect();
        charge(QRectF(0, clipBox.top(), 1, clipBox.height()), dc_.clip.elementCount());
        painter_.setClipPath(dc_.clip);
    }
    else
        painter_.setClipping(false);
    painter_.setTransform(logicalToImage());
    painter_.setPen(makePen());
    painter_.setBrush(fill ? makeBrush(dc_.brush) : QBrush(Qt::NoBrush));
    painter_.setBackground(QColor::fromRgb(dc_.bkColour));
    painter_.setBackgroundMode(dc_.opaqueBackground ? Qt::OpaqueMode : Qt::TransparentMode);
}

void Player::output(const QPainterPath& shape, bool fill, bool stroke)
{
    if (inPath_) {
        path_.addPath(shape);
        return;
    }
    const QTransform t = logicalToImage();
    if (!finite(t) || !t.isInvertible())
        return;
    QPainterPath p = shape;
    p.setFillRule(dc_.windingFill ? Qt::WindingFill : Qt::OddEvenFill);
    prepare(fill);
    if (!stroke)
        painter_.setPen(Qt::NoPen);
    const QPen pen = painter_.pen();
    const double penPixels = pen.style() == Qt::NoPen ? 0 : pen.isCosmetic() ? 1 : pen.widthF() * scaleOf(t, false);
    // A fill touches the shape's box; an outline only a band along it, about
    // as long as the box's perimeter and as wide as the pen.
    const QRectF box = t.mapRect(p.controlPointRect()).adjusted(-penPixels, -penPixels, penPixels, penPixels);
    if (fill && painter_.brush().style() != Qt::NoBrush) {
        charge(box, p.elementCount());
    } else {
        const QRectF seen = visible(box);
        chargePixels(std::min(2 * (seen.width() + seen.height()) * std::max(penPixels, 1.0),
                              (seen.width() + 1) * (seen.height() + 1)),
                     p.elementCount());
    }
    const QPaintDevice* device = painter_.device();
    const double margin = std::max(device->width(), device->height()) + 8 * penPixels;
    const QRectF reach(-margin, -margin, device->width() + 2 * margin, device->height() + 2 * margin);
    if (reach.contains(t.mapRect(p.controlPointRect()))) {
        painter_.drawPath(p);
        return;
    }
    // Geometry reaching far beyond the picture is cut to an area around it
    // first, in picture pixels, so that neither stroking nor filling walks
    // millions of pixels of edge outside the picture. Dashes are dropped there.
    const QPainterPath mapped = t.map(p);
    QPainterPath area;
    area.addRect(reach);
    painter_.resetTransform();
    if (fill && painter_.brush().style() != Qt::NoBrush) {
        QBrush brush = painter_.brush();
        brush.setTransform(QTransform());
        painter_.fillPath(mapped.intersected(area), brush);
    }
    if (penPixels > 0) {
        QPainterPathStroker stroker;
        stroker.setWidth(penPixels);
        stroker.setCapStyle(pen.capStyle());
        stroker.setJoinStyle(pen.joinStyle());
        stroker.setMiterLimit(pen.miterLimit());
        painter_.fillPath(stroker.createStroke(mapped).intersected(area), pen.color());
    }
}

// ---- Paths -----------------------------------------------------------------

void Player::beginPath()
{
    inPath_ = true;
    path_ = {};
}

void Player::abortPath()
{
    inPath_ = false;
    path_ = {};
}

void Player::closeFigure()
{
    if (inPath_)
        path_.closeSubpath();
}

void Player::fillPath(bool fill, bool stroke)
{
    inPath_ = false;
    const QPainterPath p = path_;
    path_ = {};
    output(p, fill, stroke);
}

void Player::clipToPath()
{
    inPath_ = false;
    const QPainterPath mapped = logicalToImage().map(path_);
    path_ = {};
    chargeRegion(dc_.clip.elementCount() + mapped.elementCount());
    dc_.clip = dc_.clipped ? dc_.clip.intersected(mapped) : mapped;
    dc_.clipped = true;
}

// ---- Lines and shapes ------------------------------------------------------

void Player::moveTo(QPointF p)
{
    dc_.current = p;
    if (inPath_)
        path_.moveTo(p);
}

void Player::lineTo(QPointF p)
{
    if (inPath_) {
        if (path_.elementCount() == 0)
            path_.moveTo(dc_.current);
        path_.lineTo(p);
    } else {
        QPainterPath line(dc_.current);
        line.lineTo(p);
        output(line, false, true);
    }
    dc_.current = p;
}

void Player::polyline(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    QPainterPath p;
    p.addPolygon(points);
    output(p, false, true);
}

void Player::polylineTo(const QPolygonF& points)
{
    if (points.isEmpty())
        return;
    if (inPath_) {
        if (path_.elementCount() == 0)
            path_.moveTo(dc_.current);
        for (const QPointF& pt : points)
            path_.lineTo(pt);
    } else {
        QPainterPath p(dc_.current);
        for (const QPointF& pt : points)
            p.lineTo(pt);
        output(p, false, true);
    }
    dc_.current = points.back();
}

void Player::polygon(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    QPainterPath p;
    p.addPolygon(points);
    p.closeSubpath();
    output(p, true, true);
}

void Player::polyPolygon(const std::vector<QPolygonF>& polygons)
{
    QPainterPath p;
    for (const QPolygonF& poly : polygons) {
        if (poly.size() < 2)
            continue;
        p.addPolygon(poly);
        p.closeSubpath();
    }
    output(p, true, true);
}

void Player::polyPolyline(const std::vector<QPolygonF>& lines)
{
    QPainterPath p;
    for (const QPolygonF& line : lines)
        if (line.size() >= 2)
            p.addPolygon(line);
    output(p, false, true);
}

void Player::polyBezier(const QPolygonF& points, bool fromCurrent)
{
    qsizetype i = 0;
    QPainterPath p;
    if (fromCurrent) {
        p.moveTo(dc_.current);
    } else {
        if (points.isEmpty())
            return;
        p.moveTo(points[0]);
        i = 1;
    }
    for (; i + 2 < points.size(); i += 3)
        p.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (fromCurrent && inPath_) {
        if (path_.elementCount() == 0)
            path_.moveTo(dc_.current);
        path_.connectPath(p);
    } else {
        output(p, false, true);
    }
    if (fromCurrent)
        dc_.current = p.currentPosition();
}

void Player::rectangle(const QRectF& r)
{
    QPainterPath p;
    p.addRect(r.normalized());
    output(p, true, true);
}

void Player::roundRect(const QRectF& r, QSizeF corner)
{
    QPainterPath p;
    p.addRoundedRect(r.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    output(p, true, true);
}

void Player::ellipse(const QRectF& r)
{
    QPainterPath p;
    p.addEllipse(r.normalized());
    output(p, true, true);
}

void Player::arc(ArcKind kind, const QRectF& rawBox, QPointF start, QPointF end)
{
    const QRectF box = rawBox.normalized();
    const QPointF c = box.center();
    const double rx = box.width() / 2, ry = box.height() / 2;
    if (!(rx > 0) || !(ry > 0))
        return;
    // Angles of the radial lines through the two points, in the ellipse's
    // own parametrisation; arcs run counter-clockwise unless set otherwise.
    const auto angle = [&](QPointF p) {
        return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / M_PI;
    };
    const double a0 = angle(start);
    double sweep = angle(end) - a0;
    if (dc_.clockwise) {
        while (sweep >= 0)
            sweep -= 360;
    } else {
        while (sweep <= 0)
            sweep += 360;
    }
    QPainterPath p;
    if (kind == Pie) {
        p.moveTo(c);
        p.arcTo(box, a0, sweep);
        p.closeSubpath();
    } else if (kind == ArcTo) {
        p.moveTo(dc_.current);
        QPointF arcStart;
        QPainterPath probe;
        probe.arcMoveTo(box, a0);
        arcStart = probe.currentPosition();
        p.lineTo(arcStart);
        p.arcTo(box, a0, sweep);
    } else {
        p.arcMoveTo(box, a0);
        p.arcTo(box, a0, sweep);
        if (kind == Chord)
            p.closeSubpath();
    }
    if (kind == ArcTo)
        dc_.current = p.currentPosition();
    output(p, kind == Chord || kind == Pie, true);
}

void Player::angleArc(QPointF centre, double radius, double startDeg, double sweepDeg)
{
    if (!std::isfinite(startDeg) || !std::isfinite(sweepDeg) || !(radius > 0))
        return;
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath p(dc_.current);
    QPainterPath probe;
    probe.arcMoveTo(box, startDeg);
    p.lineTo(probe.currentPosition());
    p.arcTo(box, startDeg, std::clamp(sweepDeg, -3600.0, 3600.0));
    dc_.current = p.currentPosition();
    output(p, false, true);
}

void Player::setPixel(QPointF p, QRgb colour)
{
    const QPointF d = logicalToImage().map(p);
    if (!std::isfinite(d.x()) || !std::isfinite(d.y()))
        return;
    prepare(false);
    charge(QRectF(d, QSizeF(1, 1)));
    painter_.resetTransform();
    painter_.fillRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1), QColor::fromRgb(colour));
}

void Player::fillRect(const QRectF& r, const QBrush& brush)
{
    prepare(false);
    charge(logicalToImage().mapRect(r.normalized()));
    painter_.fillRect(r.normalized(), brush);
}

void Player::fillDeviceRects(const std::vector<QRectF>& rects, const LogBrush& b)
{
    prepare(true);
    const QBrush brush = makeBrush(b);
    painter_.setTransform(deviceToImage_);
    for (const QRectF& r : rects) {
        charge(deviceToImage_.mapRect(r.normalized()));
        painter_.fillRect(r.normalized(), brush);
    }
}

void Player::gradientRect(const QRectF& r, QRgb from, QRgb to, bool vertical)
{
    QLinearGradient g(r.topLeft(), vertical ? r.bottomLeft() : r.topRight());
    g.setColorAt(0, QColor::fromRgb(from));
    g.setColorAt(1, QColor::fromRgb(to));
    fillRect(r, QBrush(g));
}

void Player::fillPolygonSolid(const QPolygonF& points, QRgb colour)
{
    prepare(false);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(QColor::fromRgb(colour));
    charge(logicalToImage().mapRect(points.boundingRect()), points.size());
    painter_.drawPolygon(points);
}

} // namespace orugif::formats::gdi
