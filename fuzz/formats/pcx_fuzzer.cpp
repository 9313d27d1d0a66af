// Feeds arbitrary bytes to the PCX reader, and re-encodes what it accepts.
#include "formats/pcx.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    int kind = 0;
    const QImage image = orugif::formats::decodePcx(bytes, &kind);
    if (!image.isNull() && image.width() * image.height() < 4096) {
        static constexpr int kBits[] = {1, 1, 4, 4, 8, 8, 24};
        const QByteArray again = orugif::formats::encodePcx(image, kBits[kind]);
        if (orugif::formats::decodePcx(again).isNull())
            __builtin_trap();
    }
    return 0;
}
