// Feeds arbitrary bytes to the PNG reader: it must refuse them cleanly or
// decode them, never read or write out of bounds.
#include "formats/png.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        orugif::formats::TPNGImage png;
        png.LoadFromBytes(bytes);
    } catch (const orugif::formats::EPNGImageException&) {
    }
    return 0;
}
