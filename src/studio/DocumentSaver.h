#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "document/RecordingTimeline.h"

// Writes the edited document back to its file after every committed edit, off the GUI thread.
// Saves are coalesced: while one write runs, only the newest waiting document is kept, so a burst
// of edits costs at most two writes and the file always ends with the latest edit. Each write
// replaces the file atomically (a complete old file or a complete new one, never a torn one).
//
// Threads: create, save(), flush() and the signals on the GUI thread; the writes on the saver's
// own thread. Destroying the saver writes what is still waiting first, so closing the Studio
// right after an edit loses nothing.

namespace tarnix {

class DocumentSaver : public QObject {
    Q_OBJECT

public:
    // Writes `timeline` to `path` atomically; throws std::runtime_error with a sentence for the
    // user when it cannot.
    using WriteFunction =
        std::function<void(const RecordingTimeline& timeline, const std::filesystem::path& path)>;

    // The project's atomic document write.
    static WriteFunction defaultWriter();

    DocumentSaver(std::filesystem::path path, WriteFunction write = defaultWriter(),
                  QObject* parent = nullptr);
    ~DocumentSaver() override;

    const std::filesystem::path& path() const { return path_; }

    // Queues the document for writing; replaces one that is waiting.
    void save(RecordingTimeline timeline);

    // Blocks until nothing waits and no write runs, at most timeoutMs; true when idle.
    bool flush(int timeoutMs = 10000);

    // Number of writes finished (successful or not), for tests.
    int writesFinished() const;

signals:
    void saved();
    void saveFailed(const QString& message);

private:
    void run();

    std::filesystem::path path_;
    WriteFunction write_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<RecordingTimeline> pending_;
    bool writing_ = false;
    bool stopping_ = false;
    int writesFinished_ = 0;
    std::thread thread_;
};

} // namespace tarnix
