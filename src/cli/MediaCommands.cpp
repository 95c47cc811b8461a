#include "cli/MediaCommands.h"

#include <QBuffer>
#include <QImage>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <thread>

#include "cli/DemoRecording.h"
#include "app/StopSignals.h"
#include "compositing/CompositionBuilder.h"
#include "files/AtomicFile.h"
#include "document/CutRegions.h"
#include "document/DocumentCoding.h"
#include "media/CompositionFrameRenderer.h"
#include "media/ExportResolution.h"
#include "media/ExportSession.h"
#include "media/FrameRate.h"
#include "media/VideoFrameReader.h"

namespace tarnix::cli {

namespace {

// Named options ("--name value") after the positional arguments.
struct ParsedArguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
};

ParsedArguments parse(const Arguments& args, const std::vector<std::string>& known)
{
    ParsedArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) {
            parsed.positional.push_back(arg);
            continue;
        }
        if (std::find(known.begin(), known.end(), arg) == known.end())
            throw UsageError("unknown option " + arg);
        if (i + 1 >= args.size())
            throw UsageError(arg + " needs a value");
        parsed.options[arg] = args[++i];
    }
    return parsed;
}

ExportResolution parseResolution(const std::string& text)
{
    if (text == "source")
        return ExportResolution::source;
    if (text == "4k" || text == "4K")
        return ExportResolution::uhd4K;
    if (text == "1080p")
        return ExportResolution::fhd1080p;
    if (text == "720p")
        return ExportResolution::hd720p;
    if (auto raw = exportResolutionFromRawValue(text))
        return *raw;
    throw UsageError("unknown resolution \"" + text + "\" (source, 4k, 1080p or 720p)");
}

media::ExportFileType parseFormat(const std::string& text)
{
    if (text == "mp4")
        return media::ExportFileType::mpeg4;
    if (text == "gif")
        return media::ExportFileType::gif;
    throw UsageError("unknown format \"" + text + "\" (mp4 or gif)");
}

int parseFps(const std::string& text)
{
    if (auto rate = media::parseFrameRate(text))
        return *rate;
    throw UsageError("unknown frame rate \"" + text + "\" (30 or 60)");
}

std::string formatClock(double seconds)
{
    if (!(seconds >= 0) || seconds > 359999)
        return "--:--";
    int whole = int(seconds + 0.5);
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", whole / 60, whole % 60);
    return text;
}

// Progress on standard error: a redrawn bar on a terminal, otherwise a line per 10 %.
class ProgressReport {
public:
    explicit ProgressReport(int frameCount)
        : frameCount_(frameCount)
        , terminal_(isatty(STDERR_FILENO))
        , start_(std::chrono::steady_clock::now())
    {
    }

    void update(double progress)
    {
        double elapsed = secondsSinceStart();
        if (!terminal_) {
            int tenth = int(progress * 10 + 1e-9);
            if (tenth > lastTenth_) {
                lastTenth_ = tenth;
                std::cerr << "export: " << tenth * 10 << " %\n";
            }
            return;
        }
        constexpr int kWidth = 30;
        int filled = int(progress * kWidth);
        double fps = elapsed > 0 ? progress * frameCount_ / elapsed : 0;
        double left = progress > 0.01 ? elapsed * (1 - progress) / progress : -1;
        char line[160];
        std::snprintf(line, sizeof line, "\r[%s%s] %3d %%  %5.1f fps  %s left ",
                      std::string(filled, '#').c_str(), std::string(kWidth - filled, '.').c_str(),
                      int(progress * 100), fps, formatClock(left).c_str());
        std::cerr << line << std::flush;
    }

    void finish()
    {
        if (terminal_)
            std::cerr << "\n";
    }

    double secondsSinceStart() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    int frameCount_;
    bool terminal_;
    int lastTenth_ = 0;
    std::chrono::steady_clock::time_point start_;
};

CompositionBuilder::Result buildOrFail(const RecordingTimeline& timeline,
                                       const std::string& failurePrefix,
                                       int frameRate = media::kStandardFrameRate)
{
    try {
        auto built = CompositionBuilder::build(timeline, {}, frameRate);
        // Damaged inputs that are not fatal are named, and the work goes on without them.
        for (const auto& warning : built.warnings)
            std::cerr << "warning: " << warning << "\n";
        return built;
    } catch (const media::MediaException& e) {
        throw std::runtime_error(failurePrefix + media::describe(e.error()));
    }
}

} // namespace

// Builds and exports with progress on standard error; Ctrl-C cancels. Returns the file written;
// throws std::runtime_error with the text to show otherwise.
static std::filesystem::path exportTimeline(const RecordingTimeline& timeline,
                                            ExportResolution resolution,
                                            std::optional<std::filesystem::path> out,
                                            media::ExportFileType type, int frameRate,
                                            std::optional<double> loudness = std::nullopt)
{
    if (!timeline.videoURL)
        throw std::runtime_error("Export failed: the recording has no screen movie.");
    auto built = buildOrFail(timeline, "Export failed: ", frameRate);
    if (frameRate > media::kStandardFrameRate && type == media::ExportFileType::mpeg4 &&
        !media::offersSmoothFrameRate(built.recordedFrameRate))
        std::cerr << "note: the recording has " << std::lround(built.recordedFrameRate)
                  << " frames a second: the movie has "
                  << built.videoComposition.frameDurationTimescale << "\n";
    if (StopSignals::requested())
        throw std::runtime_error("Export cancelled; no file was written.");
    media::ExportPreset preset =
        compatibleExportPreset(resolution, *built.composition, built.videoComposition);
    // The file's own name takes the next free number when it is taken (also by an export that
    // runs at the same time); a name the user gave is never replaced.
    const bool gif = type == media::ExportFileType::gif;
    std::filesystem::path target =
        out ? *out : baseExportURL(*timeline.videoURL, resolution, gif ? ".gif" : ".mp4");

    media::ExportSession session(built.composition, preset);
    session.setVideoComposition(built.videoComposition);
    session.setOutputURL(target);
    session.setNameClash(out ? NameClash::fail : NameClash::nextFreeName);
    session.setOutputFileType(type);
    session.setLoudnessTarget(loudness);
    // A GIF draws every frame twice, once per palette pass.
    ProgressReport report(int(std::ceil(built.composition->duration() /
                                        session.outputFrameDuration())) * (gif ? 2 : 1));
    std::atomic<bool> done{false};
    session.exportAsynchronously([&] { done = true; });
    while (!done) {
        if (StopSignals::requested())
            session.cancelExport();
        report.update(session.progress());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (session.status() == media::ExportStatus::completed)
        report.update(1);
    report.finish();
    if (session.status() == media::ExportStatus::cancelled)
        throw std::runtime_error("Export cancelled; no file was written.");
    if (session.status() != media::ExportStatus::completed) {
        auto error = session.error();
        throw std::runtime_error(error ? "Export failed: " + media::describe(*error)
                                       : "Export failed: unknown error");
    }
    return session.publishedURL();
}

// Loudness targets outside these make no sense for a movie's sound: below, speech sinks into the
// noise floor; above, nearly everything would be limiting.
constexpr double kQuietestLoudness = -40, kLoudestLoudness = -5; // LUFS

static double parseLoudness(const std::string& text)
{
    double lufs = parseNumber(text, "the loudness");
    if (!(lufs >= kQuietestLoudness && lufs <= kLoudestLoudness))
        throw UsageError("--loudness must lie within " + std::to_string(int(kQuietestLoudness)) +
                         " and " + std::to_string(int(kLoudestLoudness)) +
                         " LUFS (-16 suits most videos), not " + text);
    return lufs;
}

int runExport(const Arguments& args)
{
    ParsedArguments parsed = parse(args, {"--resolution", "--format", "--fps", "--out", "--loudness"});
    if (parsed.positional.size() != 1)
        throw UsageError("expected the document, got " + std::to_string(parsed.positional.size()) +
                         " arguments");
    ExportResolution resolution = ExportResolution::source;
    if (parsed.options.count("--resolution"))
        resolution = parseResolution(parsed.options["--resolution"]);
    media::ExportFileType type = media::ExportFileType::mpeg4;
    if (parsed.options.count("--format"))
        type = parseFormat(parsed.options["--format"]);
    int frameRate = media::kStandardFrameRate;
    if (parsed.options.count("--fps"))
        frameRate = parseFps(parsed.options["--fps"]);
    std::optional<double> loudness;
    if (parsed.options.count("--loudness")) {
        loudness = parseLoudness(parsed.options["--loudness"]);
        if (type == media::ExportFileType::gif)
            throw UsageError("--loudness applies to movies; a GIF has no sound");
    }
    RecordingTimeline timeline = loadDocument(parsed.positional[0]);
    const TextDrawing text(timeline);
    std::optional<std::filesystem::path> out;
    if (parsed.options.count("--out")) {
        out = parsed.options["--out"];
        if (std::filesystem::is_directory(*out))
            throw UsageError("--out " + out->string() +
                             " is a folder; give the name of the movie to write, such as " +
                             (*out / "movie.mp4").string());
    }
    try {
        std::cout << exportTimeline(timeline, resolution, out, type, frameRate, loudness).string() << "\n";
    } catch (const std::runtime_error& e) {
        std::cerr << e.what() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

// The image format for a picture's name: PNG or JPEG, from its ending.
static const char* pictureFormat(const std::filesystem::path& path)
{
    std::string ending = path.extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ending == ".png")
        return "PNG";
    if (ending == ".jpg" || ending == ".jpeg")
        return "JPEG";
    throw UsageError("--out must end in .png, .jpg or .jpeg, not \"" + path.filename().string() +
                     "\"");
}

// Encodes the picture in memory and publishes it as a new file; never replaces one.
static std::filesystem::path publishPicture(const QImage& picture, const std::filesystem::path& path,
                                            NameClash clash = NameClash::fail)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, pictureFormat(path), 92))
        throw std::runtime_error("The picture couldn't be encoded for " + path.string() + ".");
    AtomicFile file(path, clash);
    file.write(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (StopSignals::requested())
        throw std::runtime_error("Stopped; " + path.string() + " was not written.");
    return file.publish();
}

int runFrame(const Arguments& args)
{
    ParsedArguments parsed = parse(args, {"--out"});
    if (parsed.positional.size() != 2 || !parsed.options.count("--out"))
        throw UsageError("expected the document, a time and --out FILE");
    std::filesystem::path out = parsed.options["--out"];
    pictureFormat(out);
    RecordingTimeline timeline = loadDocument(parsed.positional[0]);
    const TextDrawing text(timeline);
    double t = parseNumber(parsed.positional[1], "the time");
    // Checked again, atomically, when the picture is published; this only spares the rendering.
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(out, ec))) {
        std::cerr << "The picture couldn't be written: a file already exists at " << out.string()
                  << " (frame never replaces a file).\n";
        return kExitFailure;
    }
    try {
        auto built = buildOrFail(timeline, "");
        // T is recording time, as on the timeline; the composition plays the kept time.
        const KeptTime& kept = built.instruction->edits().keptTime;
        double duration = kept.isRemapped() ? kept.sourceDuration() : built.composition->duration();
        if (!(t >= 0 && t < duration))
            throw UsageError("the time must lie within 0 and " + formatNumber(duration) +
                             " seconds");
        double played = kept.outputTime(t);
        if (kept.isCut(t)) {
            // The frame just after the cut; after a trimmed end, the last frame before it.
            double last = built.composition->duration() - built.videoComposition.frameDuration() / 2;
            played = std::min(played, std::max(last, 0.0));
        }
        media::CompositionFrameRenderer renderer(built.composition, built.videoComposition);
        publishPicture(renderer.frameAt(played), out);
    } catch (const media::MediaException& e) {
        std::cerr << media::describe(e.error()) << "\n";
        return kExitFailure;
    } catch (const UsageError&) {
        throw;
    } catch (const std::runtime_error& e) {
        std::cerr << e.what() << "\n";
        return kExitFailure;
    }
    std::cout << out.string() << "\n";
    return kExitOk;
}

// Six frames of a movie, evenly spread, in a 3 × 2 grid.
static QImage contactSheet(const std::filesystem::path& movie)
{
    media::MediaAsset asset = media::MediaAsset::load(movie);
    media::VideoFrameReader reader(asset.tracks(media::MediaType::video).at(0));
    constexpr int kColumns = 3, kRows = 2, kGap = 8;
    QImage sheet;
    for (int i = 0; i < kColumns * kRows; ++i) {
        QImage frame = reader.frameAt((i + 0.5) * asset.duration() / (kColumns * kRows));
        if (frame.isNull())
            continue;
        QImage tile = frame.scaledToWidth(std::min(frame.width(), 480), Qt::SmoothTransformation);
        if (sheet.isNull()) {
            sheet = QImage(kColumns * (tile.width() + kGap) + kGap,
                           kRows * (tile.height() + kGap) + kGap, QImage::Format_RGB32);
            sheet.fill(QColor(24, 24, 28));
        }
        int x = kGap + (i % kColumns) * (tile.width() + kGap);
        int y = kGap + (i / kColumns) * (tile.height() + kGap);
        for (int row = 0; row < tile.height() && y + row < sheet.height(); ++row)
            std::memcpy(sheet.scanLine(y + row) + x * 4, tile.constScanLine(row),
                        std::size_t(std::min(tile.width(), sheet.width() - x)) * 4);
    }
    return sheet;
}

// The demo's folder: `wanted` when it holds no earlier demo, else the first free "wanted-2",
// "wanted-3", ... An earlier demo is never overwritten.
static std::filesystem::path demoFolder(const std::filesystem::path& wanted)
{
    std::filesystem::create_directories(wanted);
    std::filesystem::path folder = wanted;
    for (int n = 2; !demoFolderIsFree(folder); ++n) {
        folder = numberedFileName(wanted, n);
        std::error_code ec;
        std::filesystem::create_directory(folder, ec);
        if (ec)
            throw std::runtime_error("The demo folder " + folder.string() + " couldn't be made: " +
                                     ec.message() + ".");
    }
    if (folder != wanted)
        std::cerr << "demo: " << wanted.string() << " already holds a demo; this one goes to "
                  << folder.string() << "\n";
    return folder;
}

int runDemo(const Arguments& args)
{
    ParsedArguments parsed = parse(args, {"--out"});
    if (!parsed.positional.empty())
        throw UsageError("unexpected argument " + parsed.positional[0]);
    std::filesystem::path wanted =
        parsed.options.count("--out") ? std::filesystem::path(parsed.options["--out"])
                                      : std::filesystem::temp_directory_path() / "tarnix-demo";
    if (wanted.filename().empty()) // "DIR/"
        wanted = wanted.parent_path();
    try {
        const std::filesystem::path dir = demoFolder(wanted);
        std::cerr << "demo: recording a synthetic screen, camera and microphone in "
                  << dir.string() << "\n";
        RecordingTimeline timeline = makeDemoRecording(dir, [] { return StopSignals::requested(); });
        const std::filesystem::path document = publishNewFile(
            dir / kDemoDocumentName, encodeRecordingTimeline(timeline) + "\n");
        std::cerr << "demo: " << timeline.zoomRegions.size()
                  << " automatic zoom regions; exporting\n";
        std::filesystem::path exported = exportTimeline(timeline, ExportResolution::source,
                                                        std::nullopt, media::ExportFileType::mpeg4,
                                                        media::kStandardFrameRate);
        const std::filesystem::path sheet =
            publishPicture(contactSheet(exported), dir / "contact-sheet.png");
        std::cout << "document: " << document.string() << "\n"
                  << "export: " << exported.string() << "\n"
                  << "contact sheet: " << sheet.string() << "\n";
    } catch (const media::MediaException& e) {
        std::cerr << media::describe(e.error()) << "\n";
        return kExitFailure;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace tarnix::cli
