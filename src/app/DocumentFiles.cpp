#include "app/DocumentFiles.h"

#include <QCoreApplication>

#include <stdexcept>

#include "files/AtomicFile.h"
#include "document/DocumentCoding.h"

namespace tarnix::DocumentFiles {

std::filesystem::path documentPath(const std::filesystem::path& moviePath)
{
    std::string name = moviePath.filename().string();
    if (name.size() > 4 && name.ends_with(".mp4"))
        name.resize(name.size() - 4);
    return fittedPath(moviePath.parent_path(), name, ".tarnix.json");
}

static void save(const RecordingTimeline& timeline, const std::filesystem::path& path,
                 bool replacing)
{
    const std::string text = encodeRecordingTimeline(timeline) + "\n";
    try {
        if (replacing)
            replaceFile(path, text);
        else
            publishNewFile(path, text);
    } catch (const FileError& e) {
        throw std::runtime_error(QCoreApplication::translate("tarnix::DocumentFiles",
                                                             "Couldn't save the recording's document %1: %2 (%3).")
                                     .arg(QString::fromStdString(path.string()),
                                          QString::fromStdString(describeFileErrno(e.code())),
                                          QString::fromStdString(fileErrnoCode(e.code())))
                                     .toStdString());
    }
}

void writeAtomically(const RecordingTimeline& timeline, const std::filesystem::path& path)
{
    save(timeline, path, true);
}

void writeNew(const RecordingTimeline& timeline, const std::filesystem::path& path)
{
    save(timeline, path, false);
}

} // namespace tarnix::DocumentFiles
