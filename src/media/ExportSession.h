#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "files/AtomicFile.h"
#include "media/Composition.h"
#include "media/ExportPreset.h"
#include "media/MediaError.h"
#include "media/VideoComposition.h"

// Exports a composition to an MPEG-4 file: every output frame (one per frame duration) is drawn
// by the video composition's compositor on worker threads, scaled to the preset's frame size and
// encoded in order as H.264; the composition's audio tracks are decoded, resampled, mixed and
// encoded as one AAC track. The index is written at the front of the file. With a loudness target
// the mixed sound is measured first and brought to that loudness (media/SoundFilters.h).
//
// Or to an animated GIF (setOutputFileType): at most kMaxGifFrameRate frames per second, at most
// kMaxGifSide pixels on its long side, silent, with a palette computed from the frames themselves
// (media/GifWriter.h). The frames are drawn twice, once per palette pass, so the progress runs
// through the first pass to one half and through the second to the end.
//
// The file is written to a hidden temporary beside the output location and published under its
// name only when it is complete (AtomicFile): a cancelled or failed export leaves nothing, and an
// existing file is never replaced. When the name is taken the export fails, or, with
// NameClash::nextFreeName, takes "<name>-2.mp4", "<name>-3.mp4", ... (publishedURL() tells which).
//
// Threads: configure and start from one thread. exportAsynchronously runs the work on a thread
// the session owns; status(), progress(), error() and cancelExport() may be called from any
// thread. The progress handler and the completion handler run on the export thread. Destroying
// the session cancels a running export and waits for it.

namespace tarnix::media {

class EncoderFramePool;

enum class ExportStatus { waiting, exporting, completed, failed, cancelled };

enum class ExportFileType { mpeg4, gif };

// Error codes of the "Tarnix.Export" domain.
enum class ExportErrorCode {
    cancelled = 1,
    nothingToExport = 2,
    fileExists = 3,
    renderFailed = 4,
    writeFailed = 5,
    decodeFailed = 6,
};

class ExportSession {
public:
    ExportSession(std::shared_ptr<const Composition> composition, ExportPreset preset);
    ~ExportSession();
    ExportSession(const ExportSession&) = delete;
    ExportSession& operator=(const ExportSession&) = delete;

    void setVideoComposition(VideoComposition videoComposition);
    void setOutputURL(std::filesystem::path url);
    // MPEG-4 unless set otherwise.
    void setOutputFileType(ExportFileType type);
    // Integrated loudness (LUFS) to bring the movie's sound to; nothing (the default) leaves the
    // mix as it is. A silent mix stays silent.
    void setLoudnessTarget(std::optional<double> lufs);
    // What to do when the output name is taken when the file is published (default: fail).
    void setNameClash(NameClash clash);
    // Whether a movie's frames may be composed straight in the encoder's 4:2:0 planes when the
    // compositor can (the default); off, every frame is composed in BGRA and converted.
    void setComposesInYuv(bool allowed) { useYuvPath_ = allowed; }
    // Called on the export thread with values 0...1, at most once per written frame.
    void setProgressHandler(std::function<void(double)> handler);

    // The frame size the export writes (pixels).
    QSize outputFrameSize() const;
    // Seconds per written frame: the video composition's, or for a GIF at least 1/15 s.
    double outputFrameDuration() const;

    // Runs the whole export on the calling thread.
    void exportSynchronously();
    // Runs it on the session's own thread; completion (may be empty) is called there at the end.
    void exportAsynchronously(std::function<void()> completion);
    // Asks a running export to stop; it ends as cancelled and removes its file.
    void cancelExport();

    ExportStatus status() const { return status_.load(); }
    double progress() const { return progress_.load(); }
    std::optional<MediaError> error() const;
    // Where a completed export was published: the output URL or its next free name.
    std::filesystem::path publishedURL() const;

private:
    struct Run;
    struct RenderedFrame;
    using FramePreparer = std::function<RenderedFrame(QImage composed)>;
    using FrameConsumer = std::function<std::optional<MediaError>(RenderedFrame& frame, int index)>;
    void run();
    std::optional<MediaError> renderInOrder(Run& state, const FramePreparer& prepare,
                                            const FrameConsumer& consume,
                                            EncoderFramePool* yuvFrames = nullptr);
    std::optional<MediaError> renderAndWrite(Run& state);
    std::optional<MediaError> renderGif(Run& state, const std::filesystem::path& file);
    std::optional<MediaError> prepareLoudness(Run& state);
    std::optional<MediaError> writeMovie(Run& state, const std::filesystem::path& file);
    std::optional<MediaError> checkOutputLocation() const;
    MediaError fileFailure(const FileError& error) const;
    MediaError libraryFailure(MediaError error, const std::filesystem::path& temporary) const;
    void reportProgress(double value);
    std::string writeFailure() const;
    void finishWith(ExportStatus status, std::optional<MediaError> error);

    std::shared_ptr<const Composition> composition_;
    ExportPreset preset_;
    VideoComposition videoComposition_;
    std::filesystem::path outputURL_;
    ExportFileType fileType_ = ExportFileType::mpeg4;
    NameClash nameClash_ = NameClash::fail;
    std::optional<double> loudnessTarget_;
    bool useYuvPath_ = true;
    std::function<void(double)> progressHandler_;

    std::atomic<ExportStatus> status_{ExportStatus::waiting};
    std::atomic<double> progress_{0};
    std::atomic<bool> cancelRequested_{false};
    mutable std::mutex errorMutex_;
    std::optional<MediaError> error_;
    std::filesystem::path publishedURL_; // guarded by errorMutex_
    std::thread thread_;
};

} // namespace tarnix::media
