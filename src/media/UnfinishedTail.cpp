#include "media/UnfinishedTail.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "media/MovieBoxWalk.h"

namespace tarnix::media {

namespace {

[[noreturn]] void failCut(const TailCut& cut, const std::string& why)
{
    throw MediaException(MediaError{"Tarnix.UnfinishedTail", 1,
                                    "The unfinished end of “" + cut.file.filename().string() +
                                        "” couldn't be cut off.",
                                    why, nullptr});
}

// Whether FFmpeg opens the file at all, a duration or not.
bool opens(const std::filesystem::path& file)
{
    try {
        MediaAsset::load(file, DurationNeed::optional);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

OpenedRecordingFile openRecordingFile(const std::filesystem::path& file, DurationNeed need)
{
    std::optional<MovieBoxWalk> walk;
    try {
        return {MediaAsset::load(file, need), std::nullopt};
    } catch (const MediaException&) {
        walk = walkMovieBoxes(file);
        if (!walk || walk->tail != MovieBoxWalk::Tail::unfinished || !walk->hasMovieBox || opens(file))
            throw;
    }
    TailCut cut{file, static_cast<std::int64_t>(walk->fileSize), static_cast<std::int64_t>(walk->wholeEnd), 0};
    try {
        MediaAsset kept = MediaAsset::load(file, DurationNeed::required, cut.keptBytes);
        cut.keptSeconds = kept.duration();
        return {std::move(kept), cut};
    } catch (const MediaException& failure) {
        throw UnplayableWhenCut(failure.error());
    }
}

void applyTailCut(const TailCut& cut)
{
    const auto walk = walkMovieBoxes(cut.file);
    if (!walk || static_cast<std::int64_t>(walk->fileSize) != cut.sizeBefore ||
        static_cast<std::int64_t>(walk->wholeEnd) != cut.keptBytes || walk->tail != MovieBoxWalk::Tail::unfinished)
        failCut(cut, "The file changed since it was read.");
    const int fd = open(cut.file.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        failCut(cut, std::strerror(errno));
    // On disk before anything is written that counts on it (the recording's document).
    const bool done = ftruncate(fd, cut.keptBytes) == 0 && fsync(fd) == 0;
    const int error = errno;
    close(fd);
    if (!done)
        failCut(cut, std::strerror(error));
}

} // namespace tarnix::media
