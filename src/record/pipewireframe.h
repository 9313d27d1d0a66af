// One frame of a PipeWire video stream as a picture: raw 32-bit pixels in
// memory (BGRx, RGBx, BGRA or RGBA), cut to the producer's crop region.
#pragma once
#include <QImage>

struct spa_buffer;
struct spa_video_info_raw;

namespace orugif::record {

// Fills `into` (Format_RGB32, reused when it has the size and is not shared)
// from `buffer` in `format`. False, leaving `into` as it was, for a frame to
// skip: no data, marked corrupted, another pixel format, or rows that would
// lie outside the buffer.
bool pictureOf(const spa_buffer* buffer, const spa_video_info_raw& format, QImage& into);

} // namespace orugif::record
