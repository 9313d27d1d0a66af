// The GIF image: settings, frames, limits, warnings and progress, painters,
// and the file-level reader and writer.
#include "gif/gifimage.h"

#include "gif/inorder.h"

#include "common/filename.h"
#include "common/savefile.h"

#include <QFile>
#include <algorithm>

namespace orugif::gif {

namespace {
constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
} // namespace

void TGIFItem::Warning(int severity, const char* message) const
{
    if (image_)
        image_->Warning(this, severity, message);
}

TGIFImage::TGIFImage() : header_(this) {}

TGIFImage::~TGIFImage()
{
    StopPainters();
}

void TGIFTrailer::LoadFromStream(ByteReader& in) const
{
    const int b = in.tryByte();
    if (b >= 0 && b != kTrailer)
        Warning(1, msg::InvalidTrailer);
}

void TGIFImage::Warning(const TGIFItem* sender, int severity, const char* message) const
{
    if (onWarning_)
        onWarning_(sender, severity, QString::fromLatin1(message));
}

void TGIFImage::Progress(ProgressStage stage, int percent, const char* message) const
{
    if (onProgress_)
        onProgress_(stage, percent, QString::fromLatin1(message));
}

void TGIFImage::AddPainter(TGIFPainterHandle* painter)
{
    std::lock_guard lock(painterLock_);
    painters_.push_back(painter);
}

void TGIFImage::RemovePainter(TGIFPainterHandle* painter)
{
    std::lock_guard lock(painterLock_);
    std::erase(painters_, painter);
}

void TGIFImage::StopPainters()
{
    std::vector<TGIFPainterHandle*> running;
    {
        std::lock_guard lock(painterLock_);
        running.swap(painters_);
    }
    for (TGIFPainterHandle* p : running)
        p->Stop();
}

void TGIFImage::CheckFrameSize(std::int64_t width, std::int64_t height, std::int64_t alreadyHeld) const
{
    const std::int64_t pixels = width * height;
    if (pixels > GIFDefaults::MaxFramePixels || alreadyHeld + pixels > GIFDefaults::MaxTotalPixels)
        throw GIFException(msg::ImageTooLarge);
}

int TGIFImage::LargestTableBits() const
{
    if (writingTableBits_ >= 0)
        return writingTableBits_;
    int bits = header_.ColorMap.BitsPerPixel();
    for (const auto& s : images_)
        bits = std::max(bits, s->ColorMap().BitsPerPixel());
    return bits;
}

void TGIFImage::CountLoadedExtension()
{
    if (++loadedExtensions_ > GIFDefaults::MaxExtensions)
        throw GIFException(msg::TooManyItems);
}

void TGIFImage::SetWidth(int width)
{
    for (const auto& s : images_)
        if (s->Left() + s->Width() > width)
            throw GIFException(msg::WidthTooSmall);
    StopPainters();
    header_.Width = width;
}

void TGIFImage::SetHeight(int height)
{
    for (const auto& s : images_)
        if (s->Top() + s->Height() > height)
            throw GIFException(msg::HeightTooSmall);
    StopPainters();
    header_.Height = height;
}

void TGIFImage::ClearAll()
{
    StopPainters();
    images_.Clear();
    header_.ColorMap.Clear();
    header_.Width = 0;
    header_.Height = 0;
    header_.Packed = 0;
}

int TGIFImage::AddFrameImage(const QImage& bitmap)
{
    auto sub = std::make_unique<TGIFSubImage>(this);
    TGIFSubImage* raw = sub.get();
    const int index = images_.AddItem(std::move(sub));
    try {
        raw->Assign(bitmap);
    } catch (...) {
        images_.Delete(index);
        throw;
    }
    return index;
}

int TGIFImage::AddFrameImage(std::unique_ptr<TGIFSubImage> subImage)
{
    if (!subImage)
        throw GIFException(msg::UnsupportedObject);
    StopPainters();
    subImage->Uncount();
    subImage->SetImage(this);
    subImage->CountPixels();
    return images_.AddItem(std::move(subImage));
}

void TGIFImage::Assign(const TGIFImage& other)
{
    if (&other == this)
        return;
    ClearAll();
    header_.Width = other.header_.Width;
    header_.Height = other.header_.Height;
    header_.Packed = other.header_.Packed;
    header_.BackgroundColorIndex = other.header_.BackgroundColorIndex;
    header_.AspectRatio = other.header_.AspectRatio;
    header_.ColorMap.Assign(other.GlobalColorMap().data(), other.GlobalColorMap().Count());
    header_.ColorMap.SetOptimized(other.GlobalColorMap().Optimized());
    for (const auto& s : other.images_) {
        auto copy = std::make_unique<TGIFSubImage>(this);
        copy->Assign(*s);
        images_.AddItem(std::move(copy));
    }
}

void TGIFImage::Assign(const QImage& bitmap)
{
    ClearAll();
    AddFrameImage(bitmap);
}

bool TGIFImage::HasTransparency() const
{
    for (const auto& s : images_)
        if (s->GraphicControlExtension() && s->GraphicControlExtension()->TransparentFlag())
            return true;
    return false;
}

void TGIFImage::SetDrawOptions(std::uint16_t options)
{
    if (options == drawOptions_)
        return;
    StopPainters();
    drawOptions_ = options;
    for (const auto& s : images_)
        s->FreeBitmap();
    if (header_.ColorMap.Empty() && images_.Count() == 1) {
        TGIFColorMap& local = images_[0]->ColorMap();
        header_.ColorMap.Assign(local.data(), local.Count());
        header_.ColorMap.SetOptimized(local.Optimized());
        local.Clear();
    }
}

// --- files and streams -------------------------------------------------------

void TGIFImage::LoadFromFile(const QString& path)
{
    // Opened under the name's own bytes, which need not be UTF-8.
    QFile file;
    QString reason;
    if (!openForReading(file, path, reason))
        throw std::runtime_error(QStringLiteral("Impossible d'ouvrir le fichier %1 : %2.").arg(displayName(path), reason).toStdString());
    LoadFromStream(file);
}

void TGIFImage::SaveToFile(const QString& path)
{
    writeFileSafely(path, SaveToData());
}

void TGIFImage::LoadFromStream(QIODevice& device)
{
    const qint64 start = device.pos();
    const QByteArray bytes = device.readAll();
    ByteReader in({reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
    try {
        ReadFrom(in);
    } catch (...) {
        device.seek(start);
        throw;
    }
    // Leave the device just after what the GIF used.
    if (!device.isSequential())
        device.seek(start + qint64(in.position()));
}

void TGIFImage::SaveToStream(QIODevice& device)
{
    const QByteArray bytes = SaveToData();
    if (device.write(bytes) != bytes.size())
        throw std::runtime_error("Cannot write the GIF data: " + device.errorString().toStdString());
}

void TGIFImage::LoadFromData(std::span<const std::uint8_t> data)
{
    ByteReader in(data);
    ReadFrom(in);
}

QByteArray TGIFImage::SaveToData()
{
    ByteWriter out;
    WriteTo(out);
    return QByteArray(reinterpret_cast<const char*>(out.data().data()), qsizetype(out.data().size()));
}

// --- reader ------------------------------------------------------------------

void TGIFImage::ReadFrom(ByteReader& in)
{
    Progress(ProgressStage::Starting, 0, msg::Loading);
    try {
        ClearAll();
        loadedExtensions_ = 0;
        const std::size_t start = in.position();
        auto signatureOk = [&in] {
            std::uint8_t sig[6];
            in.read(sig, 6);
            return std::toupper(sig[0]) == 'G' && std::toupper(sig[1]) == 'I' && std::toupper(sig[2]) == 'F';
        };
        if (!signatureOk()) {
            in.seek(start + 4);
            if (!signatureOk())
                throw GIFException(msg::InvalidSignature);
        }
        header_.Width = in.word();
        header_.Height = in.word();
        header_.Packed = in.byte();
        header_.BackgroundColorIndex = in.byte();
        header_.AspectRatio = in.byte();
        if (std::int64_t(header_.Width) * header_.Height > GIFDefaults::MaxFramePixels)
            throw GIFException(msg::ImageTooLarge);
        if (header_.Packed & 0x80) {
            const int count = 2 << (header_.Packed & 7);
            GIFColor colors[256];
            in.read(colors, std::size_t(count) * 3);
            header_.ColorMap.Assign(colors, count);
            header_.ColorMap.SetOptimized(header_.Packed & 0x08);
        } else {
            header_.ColorMap.Clear();
        }

        auto skipZeros = [&in] {
            while (in.peek() == 0)
                in.skip(1);
        };
        skipZeros();
        while (!in.atEnd() && in.peek() != kTrailer) {
            const int b = in.peek();
            if (b != kExtensionIntroducer && b != kImageSeparator) {
                Warning(nullptr, 1, msg::UnknownBlockType);
                break;
            }
            if (images_.Count() >= GIFDefaults::MaxFrames)
                throw GIFException(msg::TooManyItems);
            auto sub = std::make_unique<TGIFSubImage>(this);
            sub->LoadFromStream(in);
            images_.AddItem(std::move(sub));
            Progress(ProgressStage::Running, int(in.position() * 100 / std::max<std::size_t>(in.size(), 1)),
                     msg::Loading);
            skipZeros();
        }
        TGIFTrailer(this).LoadFromStream(in);
    } catch (...) {
        Progress(ProgressStage::Ending, 0, msg::Loading);
        throw;
    }
    Progress(ProgressStage::Ending, 100, msg::Loading);
}

// --- writer ------------------------------------------------------------------

void TGIFImage::WriteTo(ByteWriter& out)
{
    Progress(ProgressStage::Starting, 0, msg::Saving);
    try {
        if (images_.Count() == 0)
            throw GIFException(msg::UnsupportedVersion);
        int version = 1;
        for (const auto& s : images_)
            version = std::max(version, s->Version());
        const int largestBits = LargestTableBits();
        // Every frame without a table of its own needs this: worked out once,
        // not once a frame over all the frames.
        struct Writing {
            int& bits;
            ~Writing() { bits = -1; }
        } writing{writingTableBits_};
        writingTableBits_ = largestBits;
        out.write(version == 2 ? "GIF89a" : "GIF87a", 6);
        const TGIFColorMap& global = header_.ColorMap;
        std::uint8_t packed = 0;
        if (!global.Empty())
            packed |= 0x80;
        if (global.Optimized())
            packed |= 0x08;
        packed |= std::uint8_t((std::max(largestBits - 1, 0) & 7) << 4);
        const int sizeBits = global.Empty() ? largestBits - 1 : global.BitsPerPixel() - 1;
        packed |= std::uint8_t(std::max(sizeBits, 0) & 7);
        header_.Packed = packed;
        out.word(std::uint16_t(header_.Width));
        out.word(std::uint16_t(header_.Height));
        out.byte(packed);
        out.byte(header_.BackgroundColorIndex);
        out.byte(header_.AspectRatio);
        if (!global.Empty())
            WriteColorTable(out, global);
        // The frames are coded on every core and written in order.
        const int count = images_.Count();
        CodeInOrder(
            count, [this](int i, ByteWriter& coded) { images_[i]->SaveToStream(coded); },
            [this, &out, count](int i, const ByteWriter& coded) {
                out.write(coded.data().data(), coded.data().size());
                Progress(ProgressStage::Running, (i + 1) * 100 / count, msg::Saving);
            });
        TGIFTrailer(this).SaveToStream(out);
    } catch (...) {
        Progress(ProgressStage::Ending, 0, msg::Saving);
        throw;
    }
    Progress(ProgressStage::Ending, 100, msg::Saving);
}

} // namespace orugif::gif
