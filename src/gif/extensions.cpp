// Reading and writing of the GIF extensions, and their registries.
#include "gif/extensions.h"

#include "gif/gifimage.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

namespace orugif::gif {

namespace {
constexpr std::uint8_t kIntroducer = 0x21;
}

TGIFExtension::TGIFExtension(TGIFSubImage* subImage)
    : TGIFItem(subImage ? subImage->Image() : nullptr), subImage_(subImage)
{
}

void TGIFExtension::LoadFromStream(ByteReader& in)
{
    if (in.byte() != kIntroducer)
        throw GIFException(msg::InvalidExtensionIntroducer);
    if (in.byte() != Label())
        throw GIFException(msg::ExtensionLabelMismatch);
    LoadFields(in);
}

void TGIFExtension::SaveToStream(ByteWriter& out) const
{
    out.byte(kIntroducer);
    out.byte(Label());
    SaveFields(out);
}

// --- graphic control ---------------------------------------------------

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* subImage) : TGIFExtension(subImage)
{
    if (subImage && !subImage->GraphicControlExtension())
        subImage->SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension()
{
    if (SubImage() && SubImage()->GraphicControlExtension() == this)
        SubImage()->SetGraphicControlExtension(nullptr);
}

void TGIFGraphicControlExtension::SetTransparentFlag(bool on)
{
    packed_ = std::uint8_t(on ? packed_ | 0x01 : packed_ & ~0x01);
    if (SubImage() && SubImage()->GraphicControlExtension() == this)
        SubImage()->SetTransparent(on);
}

void TGIFGraphicControlExtension::SetTransparentIndex(int index)
{
    if (SubImage()) {
        const TGIFColorMap* map = SubImage()->ActiveColorMap();
        if (map && !map->Empty() && index >= map->Count()) {
            Warning(1, msg::InvalidColorIndex);
            index = 0;
        }
    }
    transparentIndex_ = std::uint8_t(index);
}

void TGIFGraphicControlExtension::LoadFields(ByteReader& in)
{
    std::uint8_t raw[6] = {};
    if (in.readSome(raw, 6) < 6) {
        Warning(1, msg::PrematureEnd);
        return;
    }
    blockSize_ = raw[0];
    packed_ = raw[1];
    delay_ = std::uint16_t(raw[2] | raw[3] << 8);
    transparentIndex_ = raw[4];
    if (TransparentFlag() && SubImage() && SubImage()->GraphicControlExtension() == this)
        SubImage()->SetTransparent(true);
}

void TGIFGraphicControlExtension::SaveFields(ByteWriter& out) const
{
    out.byte(blockSize_);
    out.byte(packed_);
    out.word(delay_);
    out.byte(transparentIndex_);
    out.byte(0);
}

// --- text lines ----------------------------------------------------------

void TGIFTextLines::Load(ByteReader& in)
{
    Lines.clear();
    for (;;) {
        const int len = in.byte();
        if (len == 0)
            break;
        QByteArray line(len, Qt::Uninitialized);
        in.read(line.data(), std::size_t(len));
        Lines.append(line);
    }
}

void TGIFTextLines::Save(ByteWriter& out) const
{
    for (const QByteArray& line : Lines) {
        for (qsizetype at = 0; at < line.size(); at += 255) {
            const qsizetype n = std::min<qsizetype>(255, line.size() - at);
            out.byte(std::uint8_t(n));
            out.write(line.constData() + at, std::size_t(n));
        }
    }
    out.byte(0);
}

void TGIFTextExtension::LoadFields(ByteReader& in)
{
    in.byte();  // block size, 12
    GridLeft = in.word();
    GridTop = in.word();
    GridWidth = in.word();
    GridHeight = in.word();
    CellWidth = in.byte();
    CellHeight = in.byte();
    ForegroundIndex = in.byte();
    BackgroundIndex = in.byte();
    Text.Load(in);
}

void TGIFTextExtension::SaveFields(ByteWriter& out) const
{
    out.byte(12);
    out.word(std::uint16_t(GridLeft));
    out.word(std::uint16_t(GridTop));
    out.word(std::uint16_t(GridWidth));
    out.word(std::uint16_t(GridHeight));
    out.byte(std::uint8_t(CellWidth));
    out.byte(std::uint8_t(CellHeight));
    out.byte(std::uint8_t(ForegroundIndex));
    out.byte(std::uint8_t(BackgroundIndex));
    Text.Save(out);
}

void TGIFCommentExtension::LoadFields(ByteReader& in) { Text.Load(in); }
void TGIFCommentExtension::SaveFields(ByteWriter& out) const { Text.Save(out); }

// --- application extensions ----------------------------------------------

TGIFApplicationExtension::TGIFApplicationExtension(TGIFSubImage* subImage, const char* identifier)
    : TGIFExtension(subImage)
{
    std::memcpy(id_.data(), identifier, std::min(std::strlen(identifier), id_.size()));
}

void TGIFApplicationExtension::LoadFields(ByteReader& in)
{
    const int size = in.byte();
    if (size < 10)
        throw GIFException(msg::UnsupportedAppBlockSize);
    id_.fill(0);
    in.read(id_.data(), std::size_t(std::min(size, 11)));
    if (size > 11)
        in.skipExact(std::size_t(size - 11));
    LoadData(in);
}

void TGIFApplicationExtension::SaveFields(ByteWriter& out) const
{
    out.byte(11);
    out.write(id_.data(), id_.size());
    SaveData(out);
}

void TGIFAppExtNSLoop::LoadData(ByteReader& in)
{
    std::uint8_t block[255];
    for (;;) {
        const int len = in.byte();
        if (len == 0)
            break;
        in.read(block, std::size_t(len));
        const int kind = block[0] & 7;
        if (kind == 1) {
            if (len < 3)
                throw GIFException(msg::InvalidData);
            loopCount_ = std::uint16_t(block[1] | block[2] << 8);
        } else if (kind == 2) {
            if (len < 5)
                throw GIFException(msg::InvalidData);
            bufferSize_ = std::uint32_t(block[1]) | std::uint32_t(block[2]) << 8 | std::uint32_t(block[3]) << 16
                | std::uint32_t(block[4]) << 24;
        }
    }
}

void TGIFAppExtNSLoop::SaveData(ByteWriter& out) const
{
    out.byte(3);
    out.byte(1);
    out.word(loopCount_);
    if (bufferSize_ > 0) {
        out.byte(5);
        out.byte(2);
        out.dword(bufferSize_);
    }
    out.byte(0);
}

void TGIFUnknownAppExtension::LoadData(ByteReader& in)
{
    Blocks.clear();
    for (;;) {
        const int len = in.byte();
        if (len == 0)
            break;
        QByteArray block(len, Qt::Uninitialized);
        in.read(block.data(), std::size_t(len));
        Blocks.push_back(block);
    }
}

void TGIFUnknownAppExtension::SaveData(ByteWriter& out) const
{
    for (const QByteArray& block : Blocks) {
        out.byte(std::uint8_t(block.size()));
        out.write(block.constData(), std::size_t(block.size()));
    }
    out.byte(0);
}

// --- list ------------------------------------------------------------------

int TGIFExtensionList::Add(std::unique_ptr<TGIFExtension> ext)
{
    items_.push_back(std::move(ext));
    return int(items_.size()) - 1;
}

void TGIFExtensionList::Insert(int i, std::unique_ptr<TGIFExtension> ext)
{
    items_.insert(items_.begin() + i, std::move(ext));
}

void TGIFExtensionList::Delete(int i)
{
    items_.erase(items_.begin() + i);
}

// --- registries --------------------------------------------------------------

namespace {

using Factory = std::function<std::unique_ptr<TGIFExtension>(TGIFSubImage*)>;

template <class T>
Factory make()
{
    return [](TGIFSubImage* s) { return std::make_unique<T>(s); };
}

const std::map<std::uint8_t, Factory>& labelRegistry()
{
    static const std::map<std::uint8_t, Factory> registry{
        {TGIFTextExtension::kLabel, make<TGIFTextExtension>()},
        {TGIFGraphicControlExtension::kLabel, make<TGIFGraphicControlExtension>()},
        {TGIFCommentExtension::kLabel, make<TGIFCommentExtension>()},
        {TGIFApplicationExtension::kLabel, make<TGIFUnknownAppExtension>()},
    };
    return registry;
}

const std::map<std::string, Factory>& applicationRegistry()
{
    static const std::map<std::string, Factory> registry{
        {"NETSCAPE2.0", make<TGIFAppExtNSLoop>()},
        {"ANIMEXTS1.0", make<TGIFAppExtNSLoop>()},
    };
    return registry;
}

} // namespace

bool IsKnownExtension(const ByteReader& in)
{
    return in.remaining() >= 2 && labelRegistry().contains(in.here()[1]);
}

void SkipExtension(ByteReader& in)
{
    in.skipExact(2);
    for (int len = in.byte(); len != 0; len = in.byte())
        in.skipExact(std::size_t(len));
}

std::unique_ptr<TGIFExtension> CreateExtensionFor(const ByteReader& in, TGIFSubImage* subImage)
{
    const std::uint8_t* p = in.here();
    const std::size_t left = in.remaining();
    if (left < 2)
        throw GIFException(msg::PrematureEnd);
    const auto found = labelRegistry().find(p[1]);
    if (found == labelRegistry().end())
        throw GIFException(msg::UnknownExtension);
    if (p[1] == TGIFApplicationExtension::kLabel && left >= 3 + 11 && p[2] >= 11) {
        const auto app = applicationRegistry().find(std::string(reinterpret_cast<const char*>(p + 3), 11));
        if (app != applicationRegistry().end())
            return app->second(subImage);
    }
    return found->second(subImage);
}

} // namespace orugif::gif
