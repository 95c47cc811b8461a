#pragma once

#include <QImage>
#include <QSize>

#include <filesystem>
#include <memory>

#include "media/FFmpegSupport.h"

// Animated GIFs whose 256 colours are chosen from the movie itself, so that screen text stays
// readable: two passes over the same frames through libavfilter. Pass one (GifPaletteBuilder)
// scales each frame to the GIF's size and gathers its colours into one palette (palettegen); pass
// two (GifWriter) maps every frame onto that palette with error-diffusion dithering (paletteuse),
// encodes it and writes the file. Frames go in as composed pictures (Format_ARGB32_Premultiplied,
// opaque) of the input size, one per frame duration.
//
// Threads: each object belongs to one thread at a time. Failures throw MediaException.

namespace tarnix::media {

// The GIF's limits: at most this many frames per second and pixels on its long side.
inline constexpr double kMaxGifFrameRate = 15;
inline constexpr int kMaxGifSide = 960;

// The GIF frame size for an export frame size: scaled down, aspect kept, so that neither side
// exceeds kMaxGifSide (a 1920 × 1080 export gives 960 × 540).
QSize gifFrameSize(QSize exportFrameSize);

class GifPaletteBuilder {
public:
    GifPaletteBuilder(QSize inputSize, QSize outputSize);
    ~GifPaletteBuilder();
    GifPaletteBuilder(const GifPaletteBuilder&) = delete;
    GifPaletteBuilder& operator=(const GifPaletteBuilder&) = delete;

    void add(const QImage& frame);
    // The palette (a 16 × 16 picture of its colours) after the last frame.
    ff::FramePtr finish();

private:
    struct Graph;
    std::unique_ptr<Graph> graph_;
    std::int64_t next_ = 0;
};

class GifWriter {
public:
    // Creates the file at `path` (it must not exist) for frames of frameDuration seconds.
    GifWriter(const std::filesystem::path& path, QSize inputSize, QSize outputSize,
              double frameDuration, const AVFrame& palette);
    ~GifWriter();
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    void write(const QImage& frame);
    // Flushes the last frames and closes the file.
    void finish();

private:
    struct Graph;
    void drain(bool flushing);
    void writePackets();

    std::unique_ptr<Graph> graph_;
    std::int64_t next_ = 0;
    double frameDuration_ = 0; // seconds
    bool finished_ = false;
};

} // namespace tarnix::media
