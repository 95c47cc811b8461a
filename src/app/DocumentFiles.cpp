#include "app/DocumentFiles.h"

#include <stdexcept>

#include "document/AtomicFile.h"
#include "document/DocumentCoding.h"

namespace tarnix::DocumentFiles {

std::filesystem::path documentPath(const std::filesystem::path& moviePath)
{
    std::string name = moviePath.filename().string();
    if (name.size() > 4 && name.ends_with(".mp4"))
        name.resize(name.size() - 4);
    return moviePath.parent_path() / (name + ".tarnix.json");
}

void writeAtomically(const RecordingTimeline& timeline, const std::filesystem::path& path)
{
    try {
        replaceFile(path, encodeRecordingTimeline(timeline) + "\n");
    } catch (const FileError& e) {
        throw std::runtime_error("Couldn't save the recording's document " + path.string() + ": " +
                                 describeFileErrno(e.code()) + " (" + fileErrnoCode(e.code()) +
                                 ").");
    }
}

} // namespace tarnix::DocumentFiles
