#include "cli/EditCommands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "document/CutRegions.h"
#include "document/DocumentCoding.h"
#include "media/MediaAsset.h"

namespace tarnix::cli {

namespace {

// Writes the text over the document so that the file is always either the old document or the
// whole new one: a temporary beside it, flushed to disk, then renamed over it.
void replaceDocument(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    std::string pattern = (folder / ("." + path.filename().string() + ".partial-XXXXXX")).string();
    int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw std::runtime_error("The document couldn't be saved in " + folder.string() + ": " +
                                 std::strerror(errno) + ".");
    auto failed = [&](const char* what) {
        int code = errno;
        close(fd);
        unlink(pattern.c_str());
        return std::runtime_error(std::string("The document couldn't be saved (") + what +
                                  "): " + std::strerror(code) + "; it is unchanged.");
    };
    for (std::size_t done = 0; done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw failed("writing");
        done += std::size_t(n);
    }
    // The document keeps the permissions it had.
    struct stat original {};
    if (stat(path.c_str(), &original) == 0)
        fchmod(fd, original.st_mode & 07777);
    if (fsync(fd) != 0)
        throw failed("flushing");
    if (close(fd) != 0) {
        int code = errno;
        unlink(pattern.c_str());
        throw std::runtime_error(std::string("The document couldn't be saved: ") +
                                 std::strerror(code) + "; it is unchanged.");
    }
    if (std::rename(pattern.c_str(), path.c_str()) != 0) {
        int code = errno;
        unlink(pattern.c_str());
        throw std::runtime_error(std::string("The document couldn't be replaced: ") +
                                 std::strerror(code) + "; it is unchanged.");
    }
}

double recordingDuration(const RecordingTimeline& timeline)
{
    if (!timeline.videoURL)
        throw InputError("The document names no screen movie, so there is nothing to cut.");
    try {
        return media::MediaAsset::load(*timeline.videoURL).duration();
    } catch (const media::MediaException& e) {
        throw InputError("The screen movie couldn't be read: " + media::describe(e.error()));
    }
}

} // namespace

int runCut(const Arguments& args)
{
    if (args.size() != 3)
        throw UsageError("expected the document, a start and an end, got " +
                         std::to_string(args.size()) + " arguments");
    std::filesystem::path path = args[0];
    double start = parseNumber(args[1], "the start");
    double end = parseNumber(args[2], "the end");
    if (!(end > start))
        throw UsageError("the end must come after the start");
    RecordingTimeline timeline = loadDocument(path);
    double duration = recordingDuration(timeline);
    if (!(end > 0 && start < duration))
        throw UsageError("the cut must overlap the recording, 0 to " + formatNumber(duration) +
                         " seconds");

    timeline.cutRegions = addingCut(timeline.cutRegions, start, end, duration);
    KeptTime kept(timeline.cutRegions, duration);
    if (kept.isEmpty()) {
        std::cerr << kEverythingCutMessage << " The document is unchanged.\n";
        return kExitFailure;
    }
    try {
        replaceDocument(path, encodeRecordingTimeline(timeline) + "\n");
    } catch (const std::runtime_error& e) {
        std::cerr << e.what() << "\n";
        return kExitFailure;
    }
    for (const TimeSpan& cut : mergedCutSpans(timeline.cutRegions, duration))
        std::cout << "cut " << formatNumber(cut.start) << " " << formatNumber(cut.end) << "\n";
    std::cout << "kept " << formatNumber(kept.duration()) << " of " << formatNumber(duration)
              << " seconds\n";
    return kExitOk;
}

} // namespace tarnix::cli
