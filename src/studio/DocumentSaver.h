#pragma once

#include <QByteArray>
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
// Outside changes (guardAgainstOutsideChanges): another program or another Studio may replace
// the file. The saver remembers the file as it last read or wrote it (inode, size, modification
// time, and a digest of its content for when only the time changed) and compares before every
// write and on checkForOutsideChange(). When the file changed, nothing is written over it:
// outsideChanged() is emitted, saves wait, and the owner decides with keepMine() (write over the
// file as it is) or acceptOutsideChange() (drop what waits and follow the file it read again). Its own writes never count
// as outside changes: checks run on the saver's thread, in order with the writes.
//
// Threads: create, save(), flush() and the signals on the GUI thread; the writes and the checks
// on the saver's own thread. Destroying the saver writes what is still waiting first, so closing
// the Studio right after an edit loses nothing; but never over an unresolved outside change:
// then what waits is written to a new file beside it (asidePath), so that neither is lost.

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

    // The file as the saver knows it; `digest` is empty when it was not read.
    struct FileState {
        bool exists = false;
        unsigned long long device = 0, inode = 0;
        long long size = 0, modifiedNs = 0;
        QByteArray digest;
        bool sameStamp(const FileState& other) const;
    };
    // The file's identity and, with `withDigest`, its content's digest. Any thread.
    static FileState fileState(const std::filesystem::path& path, bool withDigest = true);

    DocumentSaver(std::filesystem::path path, WriteFunction write = defaultWriter(),
                  QObject* parent = nullptr);
    ~DocumentSaver() override;

    const std::filesystem::path& path() const { return path_; }

    // Queues the document for writing; replaces one that is waiting.
    void save(RecordingTimeline timeline);

    // Blocks until nothing waits and no write runs, at most timeoutMs; true when idle. While an
    // outside change is unresolved nothing is written: false at once when something waits.
    bool flush(int timeoutMs = 10000);

    // Starts watching for outside changes, taking the file as it is now as the known one.
    void guardAgainstOutsideChanges();
    // Compares the file with the known one on the saver's thread (after any write in progress);
    // emits outsideChanged() when it differs.
    void checkForOutsideChange();
    bool hasOutsideChange() const;
    // Resolves an outside change: what waits, and what comes later, is written over the file.
    void keepMine();
    // Resolves an outside change: what waits is dropped, and `reloaded` (fileState() of the file
    // as it was read again) is the known one.
    void acceptOutsideChange(const FileState& reloaded);

    // Where edits that may not be written over `path` go when the saver closes: "NAME (your
    // edits).tarnix.json" beside it, numbered past names that are taken.
    static std::filesystem::path asidePath(const std::filesystem::path& path);

    // Number of writes finished (successful or not), for tests.
    int writesFinished() const;

signals:
    void saved();
    void saveFailed(const QString& message);
    // The file was changed by someone else; nothing is written until it is resolved.
    void outsideChanged();

private:
    void run();
    bool changedOutside(std::unique_lock<std::mutex>& lock);
    void raiseOutsideChange();
    void keepAside(const RecordingTimeline& timeline);

    std::filesystem::path path_;
    WriteFunction write_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<RecordingTimeline> pending_;
    bool writing_ = false;
    bool stopping_ = false;
    bool guarding_ = false;
    bool rebaseline_ = false;      // take the file as it is now as the known one
    bool checkRequested_ = false;
    bool outsideChange_ = false;   // unresolved: nothing is written
    std::optional<FileState> known_;
    bool overwriteOnce_ = false;
    int writesFinished_ = 0;
    std::thread thread_;
};

} // namespace tarnix
