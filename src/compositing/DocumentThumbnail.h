#pragma once

#include <QImage>

#include "document/RecordingTimeline.h"

// A small picture of what a recording looks like, for a file manager's thumbnail: the composed
// frame (zoom, background, camera bubble, cursor, blur: the document's own look and cuts) at a
// third of the played recording, scaled down to fit a square of the asked size.
//
// Threads: any; each call builds and decodes everything it needs afresh.

namespace tarnix::DocumentThumbnail {

// The largest size a thumbnail may be asked for; freedesktop's largest thumbnails are 1024 px.
inline constexpr int kMaxSize = 4096;

// The picture, its long side at most maxSide pixels (never enlarged), in premultiplied BGRA.
// Throws media::MediaException (unreadable screen movie, nothing left after the cuts, a frame
// that can't be decoded) and std::invalid_argument when maxSide is not in 1...kMaxSize.
QImage render(const RecordingTimeline& timeline, int maxSide);

} // namespace tarnix::DocumentThumbnail
