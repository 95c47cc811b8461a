#include "app/DocumentFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

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
    const std::string text = encodeRecordingTimeline(timeline) + "\n";
    std::string temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    auto fail = [&](const char* what) {
        const std::string reason = std::strerror(errno);
        throw std::runtime_error("Couldn't save the recording's document " + path.string() + " (" +
                                 what + ": " + reason + ").");
    };
    if (fd < 0)
        fail("create");
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int saved = errno;
            close(fd);
            unlink(temporary.c_str());
            errno = saved;
            fail("write");
        }
        written += static_cast<std::size_t>(n);
    }
    fchmod(fd, 0644);
    if (fsync(fd) != 0 || close(fd) != 0) {
        const int saved = errno;
        unlink(temporary.c_str());
        errno = saved;
        fail("write");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        unlink(temporary.c_str());
        errno = saved;
        fail("rename");
    }
}

} // namespace tarnix::DocumentFiles
