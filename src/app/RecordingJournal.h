#pragma once

#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "app/TimelineAssembly.h"
#include "document/DocumentCoding.h"

// The journal of a running recording: everything its document needs, appended while it runs, so
// that a crash, a kill or a power cut leaves enough to rebuild the document (RecordingRecovery).
//
// It is a hidden file beside the screen movie, ".<movie stem>.tarnix-journal", of JSON lines, one
// record each: {"recording": {...}} first (the files, the start, the captured area, the trackers'
// starts), then {"firstFrame": date} and {"systemAudio": true} once they are known, and one line
// per sample in the document's own record form, timestamps still on their tracker's clock:
// {"cursor": {...}}, {"click": {...}}, {"focus": {...}}, {"key": {...}}, and {"frame": {...}} where a
// followed window moved or changed size (movie time, screen space, 0 for what came before the
// first frame). A kill can tear only the last line; the reader drops any line that does not parse.
//
// While it is written the file is locked (flock), so that no other Tarnix takes a running
// recording for an interrupted one; the lock goes with the process, however it ends.
//
// Threads: the object belongs to one thread (the GUI thread). Lines go to the journal's own
// thread, which writes them and flushes them to the disk (fdatasync), so that a slow disk never
// holds up the caller.

namespace tarnix {

// Each kind of sample the journal keeps: its record name, where recovery puts it, and how its
// record is read. A new kind is one line here (and one appendNew call where it is sampled).
template <class Sample>
struct JournalSampleKind {
    std::string_view name;
    std::vector<Sample> TimelineAssembly::Inputs::*list;
    Sample (*decode)(const JsonReader&);
};

inline const std::tuple kJournalSampleKinds{
    JournalSampleKind<CursorSample>{"cursor", &TimelineAssembly::Inputs::cursorSamples, decodeCursorSample},
    JournalSampleKind<ClickEvent>{"click", &TimelineAssembly::Inputs::clickEvents, decodeClickEvent},
    JournalSampleKind<FocusedElementSample>{"focus", &TimelineAssembly::Inputs::focusedElementSamples,
                                            decodeFocusedElementSample},
    JournalSampleKind<KeyEvent>{"key", &TimelineAssembly::Inputs::keyEvents, decodeKeyEvent},
    JournalSampleKind<CaptureFrameSample>{"frame", &TimelineAssembly::Inputs::followedFrames,
                                          decodeCaptureFrameSample},
};

class RecordingJournal {
public:
    // ".<stem>.tarnix-journal" beside the movie (shortened to fit the folder's name limit).
    static std::filesystem::path pathFor(const std::filesystem::path& moviePath);
    // Whether a file name is a journal's.
    static bool isJournalName(const std::filesystem::path& path);

    // Creates the journal of the recording whose files, start, captured area and tracker starts
    // `recording` holds (its samples are not read), locks it and queues its first line. Raises
    // FileError when the file cannot be created.
    explicit RecordingJournal(const TimelineAssembly::Inputs& recording);
    ~RecordingJournal();
    RecordingJournal(const RecordingJournal&) = delete;
    RecordingJournal& operator=(const RecordingJournal&) = delete;

    const std::filesystem::path& path() const { return path_; }

    void noteFirstFrame(const Date& date);
    void noteSystemAudio();

    // Queues the samples of `all` beyond those already queued from a list of that kind (a
    // tracker's list only grows while it runs).
    template <class Sample>
    void appendNew(const std::vector<Sample>& all)
    {
        const auto& kind = std::get<JournalSampleKind<Sample>>(kJournalSampleKinds);
        std::size_t& written = written_[kind.name];
        if (all.size() <= written)
            return;
        std::string lines;
        for (std::size_t i = written; i < all.size(); ++i)
            lines += line(kind.name, toJson(all[i]));
        written = all.size();
        queue(std::move(lines));
    }

    // Writes what is queued, flushes it to disk and closes the file, which stays. Idempotent.
    void close();
    // Closes and deletes the file: its recording's document has been written.
    void remove();

    // The errno of the first write or flush that failed (a full disk, a folder made read-only);
    // the journal goes on trying with the lines that follow.
    std::optional<int> writeFailure() const;

    static std::string line(std::string_view key, const OrderedJson& value);

private:
    void queue(std::string lines);
    void run();

    std::filesystem::path path_;
    int fd_ = -1;
    std::map<std::string_view, std::size_t> written_;
    bool firstFrameNoted_ = false;
    bool systemAudioNoted_ = false;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::string pending_;
    bool stopping_ = false;
    std::optional<int> writeFailure_;
    std::thread thread_;
};

// What a journal's text holds, read back.
struct JournalContents {
    // The recording's details and samples, as the session would hand them to the assembly; the
    // samples keep their order.
    TimelineAssembly::Inputs inputs;
    bool hasRecording = false; // the first line, with the files, was readable
    std::size_t skippedLines = 0; // torn or unreadable lines that were left out
};

JournalContents readJournal(std::string_view text);

} // namespace tarnix
