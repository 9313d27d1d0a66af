#include "formats/webpinfo.h"

#include "common/error.h"

#include <webp/demux.h>

namespace orugif::formats {

bool isWebp(const QByteArray& bytes) { return bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP"; }

WebpInfo readWebpInfo(const QByteArray& bytes)
{
    WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
    WebPDemuxer* demuxer = WebPDemux(&data);
    if (!demuxer)
        throw Error(QStringLiteral("Fichier WebP illisible."));
    WebpInfo info;
    info.size = QSize(int(WebPDemuxGetI(demuxer, WEBP_FF_CANVAS_WIDTH)), int(WebPDemuxGetI(demuxer, WEBP_FF_CANVAS_HEIGHT)));
    info.loop = int(WebPDemuxGetI(demuxer, WEBP_FF_LOOP_COUNT));
    WebPIterator frame;
    if (WebPDemuxGetFrame(demuxer, 1, &frame)) {
        do
            info.delays.push_back(frame.duration);
        while (WebPDemuxNextFrame(&frame));
        WebPDemuxReleaseIterator(&frame);
    }
    WebPDemuxDelete(demuxer);
    return info;
}

} // namespace orugif::formats
