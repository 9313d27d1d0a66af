// The GIF codec's error type, its fixed messages, and the callbacks through
// which it reports reading warnings and the progress of long operations.
#pragma once
#include <QString>
#include <functional>
#include <stdexcept>

namespace orugif::gif {

// Every message the codec raises or warns with, from one table.
namespace msg {
inline constexpr const char* InvalidSignature = "Invalid GIF signature";
inline constexpr const char* UnsupportedVersion = "Unsupported GIF version";
inline constexpr const char* UnknownExtension = "Unknown extension type";
inline constexpr const char* InvalidExtensionIntroducer = "Invalid extension introducer";
inline constexpr const char* ExtensionLabelMismatch =
    "Internal error: Extension Instance does not match Extension Label";
inline constexpr const char* UnsupportedAppBlockSize = "Unsupported Application Extension block size";
inline constexpr const char* InvalidData = "Invalid GIF data";
inline constexpr const char* PrematureEnd = "Premature end of data";
inline constexpr const char* ColorTableOverflow = "Color table overflow";
inline constexpr const char* ColorTableEmpty = "Color table is empty";
inline constexpr const char* InvalidPixelCoordinates = "Invalid pixel coordinates";
inline constexpr const char* UnsupportedObject = "Object type not supported for operation";
inline constexpr const char* WidthTooSmall = "Image width too small for contained frames";
inline constexpr const char* HeightTooSmall = "Image height too small for contained frames";
inline constexpr const char* ImageEmpty = "Image is empty";
inline constexpr const char* ColorNotInTable = "Color not in color table";
inline constexpr const char* CircularTableEntry = "Circular decoder table entry";
inline constexpr const char* BitBufferUnderrun = "Decoder bit buffer under-run";
inline constexpr const char* InvalidStreamOperation = "Invalid stream operation";
inline constexpr const char* UnsupportedPixelFormat = "Unsupported PixelFormat";
inline constexpr const char* InvalidImageDimensions = "Invalid image dimensions";
inline constexpr const char* InvalidBitmap = "Image bitmap incorrecte";
// Our own refusals of data the decoder cannot hold safely.
inline constexpr const char* InvalidCodeSize = "Invalid LZW minimum code size";
inline constexpr const char* DecoderStackOverflow = "Decoder stack overflow";
inline constexpr const char* ImageTooLarge = "Image dimensions exceed the supported size";
inline constexpr const char* TooManyItems = "Too many frames or extensions";
// Warnings.
inline constexpr const char* UnknownBlockType = "Unknown GIF block type";
inline constexpr const char* InvalidTrailer = "Invalid Image trailer";
inline constexpr const char* ExceedsScreen = "Image exceeds Logical Screen size";
inline constexpr const char* InvalidColorIndex = "Invalid color index";
// Progress texts.
inline constexpr const char* Loading = "Loading...";
inline constexpr const char* Saving = "Saving...";
inline constexpr const char* Converting = "Converting...";
inline constexpr const char* Rendering = "Rendering...";
inline constexpr const char* Optimizing = "Optimizing...";
} // namespace msg

class GIFException : public std::runtime_error {
public:
    explicit GIFException(const char* message) : std::runtime_error(message) {}
    QString message() const { return QString::fromLatin1(what()); }
};

class TGIFItem;

// Host callback for recoverable reading problems; every warning of the codec
// has severity 1 and the operation goes on after it.
using GIFWarningHandler = std::function<void(const TGIFItem* sender, int severity, const QString& message)>;

// Stages of a progress notification.
enum class ProgressStage { Starting = 0, Running = 1, Ending = 2 };

// Host callback for long operations: stage, percentage and one of the
// progress texts above.
using GIFProgressHandler = std::function<void(ProgressStage stage, int percent, const QString& message)>;

} // namespace orugif::gif
