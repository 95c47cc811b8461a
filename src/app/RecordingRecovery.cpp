#include "app/RecordingRecovery.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "app/DocumentFiles.h"
#include "app/RecordingJournal.h"
#include "app/TimelineAssembly.h"
#include "media/MediaAsset.h"
#include "media/MediaError.h"

namespace tarnix::RecordingRecovery {

namespace {

// A translated sentence of recovery with the file in place of %1 and a detail in place of %2.
std::string message(const char* source, const std::filesystem::path& file, const std::string& detail = {})
{
    const QString sentence = QCoreApplication::translate("tarnix::RecordingRecovery", source);
    const QString name = QString::fromStdString(file.string());
    // Both at once, so that a "%2" in the file's name stays as it is.
    return (detail.empty() ? sentence.arg(name) : sentence.arg(name, QString::fromStdString(detail))).toStdString();
}

// Whether a running recording holds the journal's lock.
bool inUse(const std::filesystem::path& journal)
{
    const int fd = open(journal.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return locked;
}

std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw RecoveryError(message(QT_TRANSLATE_NOOP("tarnix::RecordingRecovery",
                                                      "Couldn't read the recording journal %1."),
                                    path));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The journal's first line alone, for the questions asked of many journals.
std::optional<TimelineAssembly::Inputs> readRecording(const std::filesystem::path& journal)
{
    std::ifstream in(journal, std::ios::binary);
    std::string first;
    if (!std::getline(in, first))
        return std::nullopt;
    JournalContents contents = readJournal(first + "\n");
    if (!contents.hasRecording)
        return std::nullopt;
    return std::move(contents.inputs);
}

// Where a file of the recording is now: where it was written, or beside the journal when the
// folder was moved since.
std::filesystem::path located(const std::filesystem::path& recorded, const std::filesystem::path& journal)
{
    std::error_code error;
    if (std::filesystem::exists(recorded, error))
        return recorded;
    const auto beside = journal.parent_path() / recorded.filename();
    return std::filesystem::exists(beside, error) ? beside : recorded;
}

// The screen movie's length in seconds, as it plays once an unfinished end is cut off (noted in
// `cuts`); raises RecoveryError saying what is wrong with it.
double movieDuration(const std::filesystem::path& movie, std::vector<media::TailCut>& cuts)
{
    std::error_code error;
    if (!std::filesystem::exists(movie, error))
        throw RecoveryError(message(QT_TRANSLATE_NOOP("tarnix::RecordingRecovery",
                                                      "The screen movie %1 is missing, so the recording can't be "
                                                      "recovered. Its journal was kept."),
                                    movie));
    if (std::filesystem::file_size(movie, error) == 0)
        throw RecoveryError(message(QT_TRANSLATE_NOOP("tarnix::RecordingRecovery",
                                                      "The screen movie %1 is empty: the recording ended before its "
                                                      "first frame was written. Nothing was recovered and nothing "
                                                      "was deleted."),
                                    movie));
    try {
        const auto opened = media::openRecordingFile(movie, media::DurationNeed::required);
        if (opened.cut)
            cuts.push_back(*opened.cut);
        const auto video = opened.asset.tracks(media::MediaType::video);
        const double end = video.empty() ? opened.asset.duration() : video.front().timeRange.end();
        // A movie that ends inside its last fragment's samples opens, but its index promises
        // more than it holds: it plays up to its whole samples.
        return std::min(end, opened.asset.truncatedAt().value_or(end));
    } catch (const media::UnplayableWhenCut& failure) {
        throw RecoveryError(message(QT_TRANSLATE_NOOP("tarnix::RecordingRecovery",
                                                      "The screen movie %1 ends in a part that was still being "
                                                      "written when the recording was cut off, and even without "
                                                      "that part it can't be played: %2 Nothing was recovered, and "
                                                      "every file was left as it was."),
                                    movie, media::describe(failure)));
    } catch (const std::exception& failure) {
        throw RecoveryError(message(QT_TRANSLATE_NOOP("tarnix::RecordingRecovery",
                                                      "Couldn't read the screen movie %1: %2 Nothing was recovered "
                                                      "and nothing was deleted."),
                                    movie, media::describe(failure)));
    }
}

// The camera or microphone file when it can be played (once an unfinished end is cut off, noted
// in `cuts`); otherwise nothing, and a note says why.
std::optional<std::filesystem::path> playable(const std::optional<std::filesystem::path>& file,
                                              const std::filesystem::path& journal, const char* whyLeftOut,
                                              std::vector<std::string>& notes, std::vector<media::TailCut>& cuts)
{
    if (!file)
        return std::nullopt;
    const auto path = located(*file, journal);
    try {
        const auto opened = media::openRecordingFile(path, media::DurationNeed::optional);
        if (opened.asset.hasDuration()) {
            if (opened.cut)
                cuts.push_back(*opened.cut);
            return path;
        }
    } catch (const std::exception&) {
    }
    notes.push_back(message(whyLeftOut, path));
    return std::nullopt;
}

// What a cut did, for the user.
std::string repaired(const media::TailCut& cut)
{
    return QCoreApplication::translate("tarnix::RecordingRecovery",
                                       "%1 ended in a part that was still being written when the recording was "
                                       "cut off, which held nothing that plays: that part (%2 bytes) was removed, "
                                       "and the %3 seconds before it were kept.")
        .arg(QString::fromStdString(cut.file.string()))
        .arg(cut.sizeBefore - cut.keptBytes)
        .arg(cut.keptSeconds, 0, 'f', 1)
        .toStdString();
}

template <class Sample>
void dropAfter(std::vector<Sample>& samples, double end)
{
    std::erase_if(samples, [end](const Sample& sample) { return sample.timestamp > end; });
}

} // namespace

std::vector<std::filesystem::path> findInterrupted(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const auto& path = it->path();
        if (!RecordingJournal::isJournalName(path) || !it->is_regular_file(error) || inUse(path))
            continue;
        // A journal whose document exists outlived its recording by a moment: nothing to recover.
        if (auto recording = readRecording(path);
            recording && std::filesystem::exists(DocumentFiles::documentPath(located(recording->videoURL, path)), error))
            continue;
        found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string movieName(const std::filesystem::path& journal)
{
    if (auto recording = readRecording(journal))
        return recording->videoURL.filename().string();
    return journal.filename().string();
}

Recovered scan(const std::filesystem::path& journal)
{
    JournalContents contents = readJournal(readText(journal));
    if (!contents.hasRecording)
        throw RecoveryError(message(QT_TRANSLATE_NOOP("tarnix::RecordingRecovery",
                                                      "The recording journal %1 doesn't say which recording it "
                                                      "belongs to, so nothing can be recovered from it."),
                                    journal));
    Recovered result;
    result.skippedLines = contents.skippedLines;
    TimelineAssembly::Inputs& in = contents.inputs;
    in.videoURL = located(in.videoURL, journal);
    result.movieDuration = movieDuration(in.videoURL, result.cuts);
    in.cameraURL = playable(in.cameraURL, journal,
                             QT_TRANSLATE_NOOP("tarnix::RecordingRecovery",
                                               "The camera file %1 can't be played, so the recording leaves it "
                                               "out; the file was kept."),
                             result.notes, result.cuts);
    in.microphoneURL = playable(in.microphoneURL, journal,
                                 QT_TRANSLATE_NOOP("tarnix::RecordingRecovery",
                                                   "The microphone file %1 can't be played, so the recording leaves "
                                                   "it out; the file was kept."),
                                 result.notes, result.cuts);

    RecordingTimeline timeline = TimelineAssembly::assemble(in);
    dropAfter(timeline.cursorSamples, result.movieDuration);
    dropAfter(timeline.clickEvents, result.movieDuration);
    dropAfter(timeline.focusedElementSamples, result.movieDuration);
    dropAfter(timeline.captureFrameSamples, result.movieDuration);
    timeline.zoomRegions = TimelineAssembly::automaticZoomRegions(timeline);

    result.documentPath = DocumentFiles::documentPath(in.videoURL);
    result.timeline = std::move(timeline);
    return result;
}

void write(const std::filesystem::path& journal, Recovered& scanned)
{
    // The files first: a document must not name a movie that doesn't open.
    for (const auto& cut : scanned.cuts) {
        try {
            media::applyTailCut(cut);
        } catch (const std::exception& failure) {
            throw RecoveryError(message(QT_TRANSLATE_NOOP("tarnix::RecordingRecovery",
                                                          "Couldn't repair %1: %2 Nothing was recovered; the "
                                                          "recording journal was kept."),
                                        cut.file, media::describe(failure)));
        }
        scanned.repairs.push_back(repaired(cut));
    }
    try {
        DocumentFiles::writeNew(scanned.timeline, scanned.documentPath);
    } catch (const std::exception& failure) {
        throw RecoveryError(std::string(failure.what()) + " " +
                            QCoreApplication::translate("tarnix::RecordingRecovery", "The recording journal was kept.")
                                .toStdString());
    }
    discard(journal);
}

Recovered recover(const std::filesystem::path& journal)
{
    Recovered result = scan(journal);
    write(journal, result);
    return result;
}

void discard(const std::filesystem::path& journal)
{
    std::error_code ignored;
    std::filesystem::remove(journal, ignored);
}

} // namespace tarnix::RecordingRecovery
