#include "app/RecordingJournal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "files/AtomicFile.h"
#include "document/FileUrl.h"

namespace tarnix {

namespace {

constexpr std::string_view kJournalSuffix = ".tarnix-journal";
constexpr std::string_view kRecordingKey = "recording";
constexpr std::string_view kFirstFrameKey = "firstFrame";
constexpr std::string_view kSystemAudioKey = "systemAudio";

OrderedJson recordingJson(const TimelineAssembly::Inputs& in)
{
    OrderedJson out = OrderedJson::object();
    out["videoURL"] = fileURLString(in.videoURL);
    if (in.cameraURL)
        out["cameraURL"] = fileURLString(*in.cameraURL);
    if (in.microphoneURL)
        out["microphoneURL"] = fileURLString(*in.microphoneURL);
    out["cameraSelected"] = in.cameraSelected;
    out["startedAt"] = in.startedAt.timeIntervalSinceReferenceDate;
    out["captureFrame"] = toJson(in.captureFrame);
    if (in.cursorStart)
        out["cursorStart"] = in.cursorStart->timeIntervalSinceReferenceDate;
    if (in.focusStart)
        out["focusStart"] = in.focusStart->timeIntervalSinceReferenceDate;
    if (in.keyStart)
        out["keyStart"] = in.keyStart->timeIntervalSinceReferenceDate;
    return out;
}

std::filesystem::path readURL(const JsonReader& field)
{
    auto path = pathFromFileURL(field.string());
    if (!path)
        field.fail("not an absolute file URL");
    return *path;
}

std::optional<std::filesystem::path> readOptionalURL(const JsonReader& in, std::string_view key)
{
    auto field = in.optional(key);
    return field ? std::optional(readURL(*field)) : std::nullopt;
}

std::optional<Date> readDate(const JsonReader& in, std::string_view key)
{
    auto field = in.optional(key);
    return field ? std::optional<Date>(Date{field->number()}) : std::nullopt;
}

void readRecording(const JsonReader& in, TimelineAssembly::Inputs& out)
{
    out.videoURL = readURL(in["videoURL"]);
    out.cameraURL = readOptionalURL(in, "cameraURL");
    out.microphoneURL = readOptionalURL(in, "microphoneURL");
    out.cameraSelected = in["cameraSelected"].boolean();
    out.startedAt = Date{in["startedAt"].number()};
    out.captureFrame = in["captureFrame"].rect();
    out.cursorStart = readDate(in, "cursorStart");
    out.focusStart = readDate(in, "focusStart");
    out.keyStart = readDate(in, "keyStart");
}

// Appends the sample of `field` when `key` names this kind.
template <class Sample>
bool readSample(const JournalSampleKind<Sample>& kind, std::string_view key, const JsonReader& field,
                TimelineAssembly::Inputs& in)
{
    if (kind.name != key)
        return false;
    (in.*kind.list).push_back(kind.decode(field));
    return true;
}

// Reads one line into `contents`; raises DecodingError (or nlohmann's parse error) when it can't.
void readLine(std::string_view text, JournalContents& contents)
{
    const nlohmann::json value = nlohmann::json::parse(text);
    const JsonReader record(value);
    if (!value.is_object() || value.size() != 1)
        record.fail("not a journal record");
    const std::string key = value.begin().key();
    const JsonReader field = record[key];
    TimelineAssembly::Inputs& in = contents.inputs;
    if (key == kRecordingKey) {
        readRecording(field, in); // sets the recording's details only, never its samples
        contents.hasRecording = true;
        return;
    }
    if (key == kFirstFrameKey) {
        in.firstFrame = Date{field.number()};
        return;
    }
    if (key == kSystemAudioKey) {
        in.hasSystemAudio = field.boolean();
        return;
    }
    const bool known = std::apply([&](const auto&... kind) { return (readSample(kind, key, field, in) || ...); },
                                  kJournalSampleKinds);
    if (!known)
        record.fail("unknown record \"" + key + "\"");
}

} // namespace

std::filesystem::path RecordingJournal::pathFor(const std::filesystem::path& moviePath)
{
    return fittedPath(moviePath.parent_path(), "." + moviePath.stem().string(), kJournalSuffix);
}

bool RecordingJournal::isJournalName(const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    return name.size() > kJournalSuffix.size() + 1 && name.starts_with('.') && name.ends_with(kJournalSuffix);
}

std::string RecordingJournal::line(std::string_view key, const OrderedJson& value)
{
    OrderedJson record = OrderedJson::object();
    record[std::string(key)] = value;
    return record.dump() + "\n";
}

RecordingJournal::RecordingJournal(const TimelineAssembly::Inputs& recording)
    : path_(pathFor(recording.videoURL))
{
    fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throw FileError("create", path_, errno);
    // Held until the file is closed or the process ends, however it ends.
    flock(fd_, LOCK_EX | LOCK_NB);
    pending_ = line(kRecordingKey, recordingJson(recording));
    thread_ = std::thread([this] { run(); });
}

RecordingJournal::~RecordingJournal() { close(); }

void RecordingJournal::noteFirstFrame(const Date& date)
{
    if (std::exchange(firstFrameNoted_, true))
        return;
    queue(line(kFirstFrameKey, date.timeIntervalSinceReferenceDate));
}

void RecordingJournal::noteSystemAudio()
{
    if (std::exchange(systemAudioNoted_, true))
        return;
    queue(line(kSystemAudioKey, true));
}

void RecordingJournal::queue(std::string lines)
{
    {
        std::lock_guard lock(mutex_);
        pending_ += lines;
    }
    wake_.notify_one();
}

void RecordingJournal::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
        std::string lines = std::move(pending_);
        pending_.clear();
        const bool last = stopping_;
        lock.unlock();
        std::string_view rest = lines;
        int failure = 0;
        while (!rest.empty() && failure == 0) {
            const ssize_t n = ::write(fd_, rest.data(), rest.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                failure = n < 0 ? errno : ENOSPC;
            else
                rest.remove_prefix(std::size_t(n));
        }
        // What the kernel holds survives a crash or a kill; this makes it survive a power cut.
        if (failure == 0 && !lines.empty() && fdatasync(fd_) != 0 && errno != EINVAL)
            failure = errno;
        lock.lock();
        if (failure != 0 && !writeFailure_)
            writeFailure_ = failure;
        if (last && pending_.empty())
            return;
    }
}

void RecordingJournal::close()
{
    if (fd_ < 0)
        return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
    ::close(fd_);
    fd_ = -1;
}

void RecordingJournal::remove()
{
    close();
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

std::optional<int> RecordingJournal::writeFailure() const
{
    std::lock_guard lock(mutex_);
    return writeFailure_;
}

JournalContents readJournal(std::string_view text)
{
    JournalContents contents;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view one = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (one.find_first_not_of(" \t\r") == std::string_view::npos)
            continue;
        try {
            // A last line without its newline was cut off by the end of the process.
            if (end == std::string_view::npos)
                throw std::runtime_error("torn");
            readLine(one, contents);
        } catch (const std::exception&) {
            ++contents.skippedLines;
        }
    }
    return contents;
}

} // namespace tarnix
