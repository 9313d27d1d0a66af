// Feeds arbitrary bytes to the metafile renderer (built twice, as the WMF and
// the EMF target, each with its own seeds). Pictures above 512 x 512 pixels
// are sized but not drawn, so the fuzzer's time goes to the records.
#include "formats/metafile.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QSize s = orugif::formats::metafileSize(bytes);
        if (qint64(s.width()) * s.height() <= 512 * 512)
            (void)orugif::formats::renderMetafile(bytes);
    } catch (const orugif::formats::EMetafileException&) {
    }
    return 0;
}
