#include "studio/DocumentSaver.h"

#include <QCryptographicHash>
#include <QFile>
#include <QDebug>
#include <QMetaObject>

#include <sys/stat.h>

#include <chrono>
#include <exception>
#include <utility>

#include "app/DocumentFiles.h"

namespace tarnix {

namespace {

using FileState = DocumentSaver::FileState;

FileState stampOf(const std::filesystem::path& path)
{
    FileState state;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return state;
    state.exists = true;
    state.device = info.st_dev;
    state.inode = info.st_ino;
    state.size = info.st_size;
    state.modifiedNs = (long long)info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    return state;
}

QByteArray digestOf(const std::filesystem::path& path)
{
    QFile file(QString::fromStdString(path.string()));
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result();
}

} // namespace

DocumentSaver::FileState DocumentSaver::fileState(const std::filesystem::path& path, bool withDigest)
{
    FileState state = stampOf(path);
    if (!state.exists || !withDigest)
        return state;
    state.digest = digestOf(path);
    // Changed while it was read: the digest is not this stamp's, and must not vouch for it.
    if (!stampOf(path).sameStamp(state))
        state.digest.clear();
    return state;
}

bool DocumentSaver::FileState::sameStamp(const FileState& other) const
{
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && modifiedNs == other.modifiedNs;
}

DocumentSaver::WriteFunction DocumentSaver::defaultWriter()
{
    return [](const RecordingTimeline& timeline, const std::filesystem::path& path) {
        DocumentFiles::writeAtomically(timeline, path);
    };
}

DocumentSaver::DocumentSaver(std::filesystem::path path, WriteFunction write, QObject* parent)
    : QObject(parent)
    , path_(std::move(path))
    , write_(std::move(write))
    , thread_([this] { run(); })
{
}

DocumentSaver::~DocumentSaver()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DocumentSaver::save(RecordingTimeline timeline)
{
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(timeline);
    }
    wake_.notify_all();
}

bool DocumentSaver::flush(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        return (!pending_ || outsideChange_) && !writing_ && !checkRequested_ && !rebaseline_;
    });
    return !pending_ && !writing_;
}

int DocumentSaver::writesFinished() const
{
    std::lock_guard lock(mutex_);
    return writesFinished_;
}

void DocumentSaver::guardAgainstOutsideChanges()
{
    {
        std::lock_guard lock(mutex_);
        guarding_ = true;
        rebaseline_ = true;
    }
    wake_.notify_all();
}

void DocumentSaver::checkForOutsideChange()
{
    {
        std::lock_guard lock(mutex_);
        if (!guarding_ || outsideChange_)
            return;
        checkRequested_ = true;
    }
    wake_.notify_all();
}

bool DocumentSaver::hasOutsideChange() const
{
    std::lock_guard lock(mutex_);
    return outsideChange_;
}

void DocumentSaver::keepMine()
{
    {
        std::lock_guard lock(mutex_);
        if (!outsideChange_)
            return;
        outsideChange_ = false;
        overwriteOnce_ = true; // the user chose to write over the file as it is
    }
    wake_.notify_all();
}

void DocumentSaver::acceptOutsideChange(const FileState& reloaded)
{
    {
        std::lock_guard lock(mutex_);
        if (!outsideChange_)
            return;
        outsideChange_ = false;
        // Changed again since it was reloaded: asked about again, never written over unseen.
        known_ = reloaded;
        pending_.reset();
    }
    wake_.notify_all();
}

// Called with the lock held; reads the file without it.
bool DocumentSaver::changedOutside(std::unique_lock<std::mutex>& lock)
{
    if (!guarding_ || !known_)
        return false;
    const FileState known = *known_;
    lock.unlock();
    FileState now = stampOf(path_);
    bool changed = false;
    // A file that is gone is simply written again: nothing of anybody's is lost by that.
    if (now.exists && !now.sameStamp(known)) {
        now.digest = digestOf(path_);
        changed = now.digest.isEmpty() || now.digest != known.digest;
    }
    lock.lock();
    if (!changed && now.exists && known_)
        *known_ = now.digest.isEmpty() ? known : now; // only the time changed: the new stamp
    return changed;
}

void DocumentSaver::raiseOutsideChange()
{
    outsideChange_ = true;
    QMetaObject::invokeMethod(this, [this] { emit outsideChanged(); }, Qt::QueuedConnection);
}

void DocumentSaver::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] {
            return stopping_ || rebaseline_ || checkRequested_ || (pending_ && !outsideChange_);
        });
        if (rebaseline_) {
            rebaseline_ = false;
            lock.unlock();
            FileState now = fileState(path_);
            lock.lock();
            known_ = std::move(now);
            idle_.notify_all();
            continue;
        }
        if (checkRequested_) {
            checkRequested_ = false;
            if (!outsideChange_ && changedOutside(lock))
                raiseOutsideChange();
            idle_.notify_all();
            continue;
        }
        if (!pending_ || outsideChange_) {
            if (!stopping_)
                continue;
            if (pending_)
                keepAside(std::move(*pending_)); // the edits may not go over the file, nor be lost
            return;
        }
        writing_ = true;
        const bool overwrite = std::exchange(overwriteOnce_, false);
        if (!overwrite && changedOutside(lock)) {
            writing_ = false;
            raiseOutsideChange();
            idle_.notify_all();
            continue;
        }
        RecordingTimeline timeline = std::move(*pending_);
        pending_.reset();
        const bool guarding = guarding_;
        lock.unlock();

        std::optional<QString> failure;
        try {
            write_(timeline, path_);
        } catch (const std::exception& error) {
            failure = QString::fromStdString(error.what());
        }
        std::optional<FileState> written;
        if (guarding && !failure)
            written = fileState(path_);

        lock.lock();
        if (written)
            known_ = std::move(written);
        writing_ = false;
        ++writesFinished_;
        // Queued to the GUI thread; dropped by Qt if the saver is gone by then.
        if (failure)
            QMetaObject::invokeMethod(this, [this, message = *failure] { emit saveFailed(message); },
                                      Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(this, [this] { emit saved(); }, Qt::QueuedConnection);
        idle_.notify_all();
    }
}

std::filesystem::path DocumentSaver::asidePath(const std::filesystem::path& path)
{
    std::string name = path.filename().string();
    const std::string suffix = ".tarnix.json";
    if (name.size() > suffix.size() && name.ends_with(suffix))
        name.resize(name.size() - suffix.size());
    else
        name = path.stem().string();
    const QString base = QString::fromStdString(name);
    for (int n = 1;; ++n) {
        const QString named = n == 1 ? tr("%1 (your edits)").arg(base) : tr("%1 (your edits %2)").arg(base).arg(n);
        auto candidate = path.parent_path() / (named.toStdString() + suffix);
        if (!std::filesystem::exists(candidate))
            return candidate;
    }
}

void DocumentSaver::keepAside(const RecordingTimeline& timeline)
{
    // The Studio is closing with the file changed elsewhere and the choice not made: the file is
    // left as the other program wrote it, and the edits go to a new file beside it.
    const auto aside = asidePath(path_);
    try {
        write_(timeline, aside);
        qWarning().noquote() << QString::fromStdString("The recording's document was changed by another program, so "
                                                       "your edits were saved beside it: " + aside.string());
    } catch (const std::exception& error) {
        qWarning().noquote() << QString::fromStdString(std::string("Your edits could not be kept: ") + error.what());
    }
}

} // namespace tarnix
