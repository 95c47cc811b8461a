#pragma once

#include <QImage>

#include <filesystem>
#include <string>

// Test media made at test time with the ffmpeg tool, and small probes of files the tests write.

namespace tarnix::media::test {

// A fresh folder under the system's temporary folder, removed when the object goes away.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Runs `ffmpeg -v error -y ARGS`; fails the calling test (ADD_FAILURE) when it does not succeed.
bool runFfmpeg(const std::string& args);

// A movie whose frame N is a flat grey of luma 16 + N × 3 (N < 74) (frame index readable back with
// frameIndexOf), size w × h, `count` frames at `fps`, key frames every `gop` frames, with
// B-frames. With vfrAfter >= 0, frames from that index on are spaced 0.5 s apart.
std::filesystem::path makeIndexedMovie(const std::filesystem::path& path, int count, int fps,
                                       int gop, int vfrAfter = -1, int w = 64, int h = 48);

// The frame index that makeIndexedMovie drew into this decoded frame (from its centre pixel).
int frameIndexOf(const QImage& frame);

// A colourful test-pattern movie with a 440 Hz tone (when withAudio), H.264 + AAC in MP4.
std::filesystem::path makeMovie(const std::filesystem::path& path, double seconds, int w, int h,
                                bool withAudio, int fps = 30);

// A sine tone audio file (AAC in .m4a).
std::filesystem::path makeTone(const std::filesystem::path& path, double seconds, int frequency);

struct ProbedMovie {
    int videoFrames = 0;     // video packets
    int width = 0;
    int height = 0;
    double duration = 0;     // seconds
    bool hasAudio = false;
    std::string videoCodec;
    std::string audioCodec;
    bool indexAtFront = false; // "moov" before "mdat"
};

ProbedMovie probe(const std::filesystem::path& path);

} // namespace tarnix::media::test
