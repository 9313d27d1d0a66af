// GIF extensions of a sub-image: graphic control, plain text, comment and
// application extensions (the loop extension among them), their list, and
// the process-wide registries that pick a class from a label or identifier.
#pragma once
#include "gif/bytestream.h"
#include "gif/gifitem.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <memory>
#include <vector>

namespace orugif::gif {

class TGIFSubImage;

class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage* subImage);
    TGIFSubImage* SubImage() const { return subImage_; }
    int Version() const override { return 2; }
    virtual std::uint8_t Label() const = 0;

    // Reads introducer and label (checked against the class), then fields.
    void LoadFromStream(ByteReader& in);
    // Writes 0x21, the label and the fields.
    void SaveToStream(ByteWriter& out) const;

protected:
    virtual void LoadFields(ByteReader& in) = 0;
    virtual void SaveFields(ByteWriter& out) const = 0;

private:
    TGIFSubImage* subImage_;
};

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0xF9;
    // Becomes the sub-image's graphic control extension when it has none yet.
    explicit TGIFGraphicControlExtension(TGIFSubImage* subImage);
    ~TGIFGraphicControlExtension() override;
    std::uint8_t Label() const override { return kLabel; }

    bool TransparentFlag() const { return packed_ & 0x01; }
    void SetTransparentFlag(bool on);
    bool UserInputFlag() const { return packed_ & 0x02; }
    void SetUserInputFlag(bool on) { packed_ = std::uint8_t(on ? packed_ | 0x02 : packed_ & ~0x02); }
    int DisposalMethod() const { return (packed_ >> 2) & 7; }
    void SetDisposalMethod(int method) { packed_ = std::uint8_t((packed_ & ~0x1C) | (method & 7) << 2); }
    int DelayTime() const { return delay_; }
    void SetDelayTime(int delay) { delay_ = std::uint16_t(delay); }
    int TransparentIndex() const { return transparentIndex_; }
    // An index outside the colour table in force warns and stores 0.
    void SetTransparentIndex(int index);

protected:
    void LoadFields(ByteReader& in) override;
    void SaveFields(ByteWriter& out) const override;

private:
    std::uint8_t blockSize_ = 4;
    std::uint8_t packed_ = 0;
    std::uint16_t delay_ = 0;
    std::uint8_t transparentIndex_ = 0;
};

// Text read from data sub-blocks (one line each) and written back cut into
// sub-blocks of at most 255 bytes, followed by one terminator.
class TGIFTextLines {
public:
    QList<QByteArray> Lines;
    void Load(ByteReader& in);
    void Save(ByteWriter& out) const;
};

class TGIFTextExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0x01;
    using TGIFExtension::TGIFExtension;
    std::uint8_t Label() const override { return kLabel; }

    int GridLeft = 0, GridTop = 0, GridWidth = 0, GridHeight = 0;
    int CellWidth = 0, CellHeight = 0, ForegroundIndex = 0, BackgroundIndex = 0;
    TGIFTextLines Text;

protected:
    void LoadFields(ByteReader& in) override;
    void SaveFields(ByteWriter& out) const override;
};

class TGIFCommentExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0xFE;
    using TGIFExtension::TGIFExtension;
    std::uint8_t Label() const override { return kLabel; }
    TGIFTextLines Text;

protected:
    void LoadFields(ByteReader& in) override;
    void SaveFields(ByteWriter& out) const override;
};

class TGIFApplicationExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0xFF;
    using Identifier = std::array<char, 11>;  // 8 identifier + 3 authentication bytes
    TGIFApplicationExtension(TGIFSubImage* subImage, const char* identifier);
    std::uint8_t Label() const override { return kLabel; }
    const Identifier& ApplicationId() const { return id_; }

protected:
    void LoadFields(ByteReader& in) override;
    void SaveFields(ByteWriter& out) const override;
    virtual void LoadData(ByteReader& in) = 0;
    virtual void SaveData(ByteWriter& out) const = 0;

private:
    Identifier id_{};
};

// The loop extension ("NETSCAPE2.0", also read as "ANIMEXTS1.0" and written
// back with the identifier it was read with).
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage, "NETSCAPE2.0") {}
    int LoopCount() const { return loopCount_; }
    void SetLoopCount(int count) { loopCount_ = std::uint16_t(count); }
    std::uint32_t BufferSize() const { return bufferSize_; }
    void SetBufferSize(std::uint32_t size) { bufferSize_ = size; }

protected:
    void LoadData(ByteReader& in) override;
    void SaveData(ByteWriter& out) const override;

private:
    std::uint16_t loopCount_ = 0;
    std::uint32_t bufferSize_ = 0;
};

// Any other application extension: its data sub-blocks kept unchanged.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    explicit TGIFUnknownAppExtension(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage, "") {}
    std::vector<QByteArray> Blocks;

protected:
    void LoadData(ByteReader& in) override;
    void SaveData(ByteWriter& out) const override;
};

// Owning list of a sub-image's extensions, in file order.
class TGIFExtensionList {
public:
    int Count() const { return int(items_.size()); }
    TGIFExtension* Items(int i) const { return items_[std::size_t(i)].get(); }
    int Add(std::unique_ptr<TGIFExtension> ext);
    void Insert(int i, std::unique_ptr<TGIFExtension> ext);
    void Delete(int i);
    void Clear() { items_.clear(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<std::unique_ptr<TGIFExtension>> items_;
};

// Creates the extension that starts at the reader's position (introducer
// 0x21 and label) from the registries, without consuming anything. A label
// missing from the registry raises "Unknown extension type".
std::unique_ptr<TGIFExtension> CreateExtensionFor(const ByteReader& in, TGIFSubImage* subImage);

// Whether the registry knows the label of the extension at the reader's
// position (false when not even the label can be read).
bool IsKnownExtension(const ByteReader& in);
// Skips an extension: introducer, label and its data sub-blocks up to the
// terminator ("Premature end of data" when the data is cut).
void SkipExtension(ByteReader& in);

} // namespace orugif::gif
