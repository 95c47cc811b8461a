#include "cli/CaptureCommands.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <iostream>

#include "app/RecordingSession.h"
#include "capture/CaptureClock.h"
#include "capture/CaptureError.h"
#include "capture/CaptureMessages.h"
#include "app/StopSignals.h"

namespace tarnix::cli {

namespace {

std::string areaText(const QRect& r)
{
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + "," + std::to_string(r.width()) + "," +
           std::to_string(r.height());
}

std::string rectText(const QRect& r)
{
    // A portal's items have no place until the desktop starts sharing them.
    if (r.isEmpty())
        return "(the desktop asks when recording starts)";
    return std::to_string(r.width()) + "x" + std::to_string(r.height()) + " at " +
           std::to_string(r.x()) + "," + std::to_string(r.y());
}

void printSources(RecordingSession& session)
{
    auto& provider = session.sourceProvider();
    std::cout << "displays:\n";
    for (const auto& d : provider.displays())
        std::cout << "  " << displayIdentifier(d) << "  " << d.name << "  " << rectText(d.frame)
                  << (d.isPrimary ? "  (primary)" : "") << "\n";
    std::cout << "windows:\n";
    for (const auto& w : provider.windows())
        std::cout << "  " << windowIdentifier(w) << "  \"" << w.title << "\"  " << w.applicationName
                  << "  " << rectText(w.frame) << "\n";
    std::cout << "applications:\n";
    for (const auto& a : provider.applications())
        std::cout << "  " << applicationIdentifier(a) << "  " << a.applicationName << "  (pid "
                  << a.processID << ")\n";
    std::cout << "cameras:\n";
    for (const auto& c : session.cameraProvider().devices())
        std::cout << "  " << c.uniqueID << "  " << c.localizedName << "\n";
    std::cout << "microphones:\n";
    for (const auto& m : session.micProvider().devices())
        std::cout << "  " << m.name << "  " << m.description << "\n";
}

// The source provider's failure in the command line's words.
std::optional<std::string> sourceListingMessage(RecordingSession& session)
{
    if (auto failure = session.sourceProvider().listingFailure())
        return CaptureMessages::listingFailedOnCommandLine(*failure);
    return session.sourceProvider().errorMessage();
}

// The longest --duration: a week, well within what the event loop's timer holds.
constexpr double kMaxDurationSeconds = 7 * 24 * 3600;

struct RecordOptions {
    std::string source;
    std::optional<std::string> camera;
    std::optional<std::string> mic;
    bool systemAudio = false;
    std::optional<KeyCaptureScope> keys;
    std::optional<double> duration;
    std::optional<std::filesystem::path> out;
    std::optional<QRect> area; // in the display's pixels
};

// "X,Y,W,H" in whole pixels, W and H at least 2.
QRect parseArea(const std::string& text)
{
    const QStringList parts = QString::fromStdString(text).split(',');
    std::vector<int> numbers;
    for (const QString& part : parts) {
        bool ok = false;
        const int number = part.trimmed().toInt(&ok);
        if (!ok)
            break;
        numbers.push_back(number);
    }
    if (parts.size() != 4 || numbers.size() != 4 || numbers[0] < 0 || numbers[1] < 0)
        throw UsageError("--area takes X,Y,WIDTH,HEIGHT in pixels of the display, such as 0,0,1280,720");
    if (numbers[2] < 2 || numbers[3] < 2)
        throw UsageError("--area must be at least 2 pixels wide and high");
    return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

// The selected display cut to the asked area, or a message saying why there is none.
std::optional<std::string> checkArea(RecordingSession& session, const RecordOptions& options)
{
    const auto source = session.sourceProvider().source(options.source);
    if (source->kind() != CaptureSource::Kind::display)
        return "tarnix-cli record: --area needs a display (--source display-…), not \"" + options.source + "\"";
    const QSize size = source->display().frame.size();
    // A portal's display has no size until the desktop shares it: the area is cut to it then.
    if (!size.isEmpty() && !QRect(QPoint(0, 0), size).contains(*options.area))
        return "tarnix-cli record: the area " + areaText(*options.area) + " doesn't fit on " + options.source +
               ", which is " + std::to_string(size.width()) + "x" + std::to_string(size.height()) + " pixels";
    return std::nullopt;
}

RecordOptions parseRecordOptions(const Arguments& args)
{
    RecordOptions options;
    bool haveSource = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& flag = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(flag + " needs a value");
            return args[++i];
        };
        if (flag == "--source") {
            options.source = value();
            haveSource = true;
        } else if (flag == "--camera") {
            options.camera = value();
        } else if (flag == "--mic") {
            options.mic = value();
        } else if (flag == "--system-audio") {
            options.systemAudio = true;
        } else if (flag == "--keys") {
            if (!options.keys)
                options.keys = KeyCaptureScope::shortcuts;
        } else if (flag == "--all-keys") {
            options.keys = KeyCaptureScope::everyKey;
        } else if (flag == "--duration") {
            const double seconds = parseNumber(value(), "--duration");
            if (seconds <= 0)
                throw UsageError("--duration must be more than 0 seconds");
            if (seconds > kMaxDurationSeconds)
                throw UsageError("--duration must be at most " +
                                 std::to_string(int(kMaxDurationSeconds)) +
                                 " seconds (a week); leave it out to record until Ctrl-C");
            options.duration = seconds;
        } else if (flag == "--out") {
            options.out = value();
        } else if (flag == "--area") {
            options.area = parseArea(value());
        } else {
            throw UsageError("unknown option \"" + flag + "\"");
        }
    }
    if (!haveSource)
        throw UsageError("--source is required");
    if (options.out && !std::filesystem::is_directory(*options.out))
        throw InputError("tarnix-cli record: " + options.out->string() + " is not a folder");
    return options;
}

// Configures the chosen camera and microphone the way the recorder bar does on selection.
bool prepareDevices(RecordingSession& session, const RecordOptions& options)
{
    if (options.camera) {
        session.cameraProvider().refresh();
        const auto& devices = session.cameraProvider().devices();
        auto it = std::find_if(devices.begin(), devices.end(),
                               [&](const CameraDevice& d) { return d.uniqueID == *options.camera; });
        if (it == devices.end()) {
            std::cerr << session.cameraProvider().errorMessage().value_or(
                             "Couldn't use that camera: there is no camera \"" + *options.camera + "\".")
                      << "\n";
            return false;
        }
        try {
            session.cameraRecorder().configure(*it);
            session.cameraRecorder().startPreview();
        } catch (const std::exception& error) {
            std::cerr << "Couldn't use that camera: " << error.what() << "\n";
            return false;
        }
        session.setSelectedCameraID(options.camera);
    }
    if (options.mic) {
        session.micProvider().refresh();
        if (auto message = session.micProvider().errorMessage()) {
            std::cerr << *message << "\n";
            return false;
        }
        try {
            session.micRecorder().configure(*options.mic);
        } catch (const std::exception& error) {
            std::cerr << "Couldn't use that microphone: " << error.what() << "\n";
            return false;
        }
        session.setSelectedMicID(options.mic);
    }
    return true;
}

// Pauses or resumes a running recording and says which, with the time recorded so far.
void togglePause(RecordingSession& session)
{
    if (!session.isRecording())
        return;
    session.togglePause();
    // To the hundredth: stopped while paused, the movie is that long (within a frame).
    std::cerr << (session.isPaused() ? "paused" : "resumed") << " at " << std::fixed << std::setprecision(2)
              << session.recordedSeconds() << " s recorded" << std::defaultfloat
              << (session.isPaused() ? " (SIGUSR1 to resume)" : "") << "\n";
}

int reportStop(RecordingSession& session)
{
    auto& recorder = session.recorder();
    const auto& timeline = session.completedTimeline();
    if (!timeline) {
        std::cerr << recorder.errorMessage().value_or("The recording produced nothing.") << "\n";
        return kExitFailure;
    }
    std::cout << "movie: " << timeline->videoURL->string() << "\n";
    if (timeline->cameraURL)
        std::cout << "camera: " << timeline->cameraURL->string() << "\n";
    if (timeline->microphoneURL)
        std::cout << "microphone: " << timeline->microphoneURL->string() << "\n";
    if (session.documentURL())
        std::cout << "document: " << session.documentURL()->string() << "\n";
    std::cout << "frames: " << recorder.appendedFrameCount() << "\n"
              << "dropped: " << recorder.droppedFrameCount() << "\n"
              << "dropped audio blocks: " << recorder.droppedAudioBlockCount() << "\n"
              << "encoder: " << recorder.videoEncoderName() << "\n"
              << "system audio: " << (timeline->hasSystemAudio ? "yes" : "no") << "\n";
    if (session.keyCapture())
        std::cout << "keys: " << timeline->keyEvents.size() << "\n";
    if (!recorder.displayChanges().empty()) {
        // "display resized: 1280×720 at 3.2 s, 1920×1080 at 9.0 s"
        const double movieStart = CaptureClock::monotonicOf(*recorder.firstFrameWallClockDate());
        std::cout << "display resized:";
        const char* separator = " ";
        for (const auto& change : recorder.displayChanges()) {
            std::cout << separator << change.size.width() << "×" << change.size.height() << " at " << std::fixed
                      << std::setprecision(1) << std::max(0.0, change.time - movieStart) << " s";
            separator = ", ";
        }
        std::cout << std::defaultfloat << "\n";
    }
    for (const auto& message : {recorder.errorMessage(), session.cameraRecorder().errorMessage(),
                                session.micRecorder().errorMessage()})
        if (message)
            std::cerr << *message << "\n";
    for (const auto& notice : session.recordingNotices())
        std::cerr << notice << "\n";
    if (session.documentError()) {
        std::cerr << *session.documentError() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace

int runSources(const Arguments& args)
{
    if (!args.empty())
        throw UsageError("sources takes no arguments");
    // The portal is asked over the session bus, which wants an application object.
    static int argc = 1;
    static char name[] = "tarnix-cli";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    RecordingSession session;
    session.sourceProvider().refresh();
    session.cameraProvider().refresh();
    session.micProvider().refresh();
    printSources(session);
    // Whatever could be listed is printed; any listing that failed fails the command.
    bool failed = false;
    for (const auto& message : {sourceListingMessage(session), session.cameraProvider().errorMessage(),
                                session.micProvider().errorMessage()})
        if (message) {
            std::cerr << *message << "\n";
            failed = true;
        }
    return failed ? kExitFailure : kExitOk;
}

int runRecord(const Arguments& args)
{
    const RecordOptions options = parseRecordOptions(args);
    static int argc = 1;
    static char name[] = "tarnix-cli";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    RecordingSession session;
    session.setOutputDirectory(options.out);
    session.sourceProvider().refresh();
    if (auto message = sourceListingMessage(session)) {
        std::cerr << *message << "\n";
        return kExitFailure;
    }
    if (!session.sourceProvider().source(options.source)) {
        std::cerr << "tarnix-cli record: there is no capture source \"" << options.source
                  << "\" (tarnix-cli sources lists them)\n";
        return kExitFailure;
    }
    if (options.area) {
        if (auto problem = checkArea(session, options)) {
            std::cerr << *problem << "\n";
            return kExitFailure;
        }
    }
    if (!prepareDevices(session, options))
        return kExitFailure;
    session.setSelectedSourceID(options.source);
    session.setSelectedArea(options.area);
    session.setIncludeSystemAudio(options.systemAudio);
    session.setKeyCapture(options.keys);

    // Ctrl-C, SIGTERM and SIGHUP (the terminal closed) stop the recording through the event
    // loop, as the Stop button does.
    QSocketNotifier notifier(StopSignals::descriptor(), QSocketNotifier::Read);
    // SIGUSR1 pauses and resumes, as the bar's Pause button does.
    StopSignals::installPause();
    QSocketNotifier pauseNotifier(StopSignals::pauseDescriptor(), QSocketNotifier::Read);
    QObject::connect(&pauseNotifier, &QSocketNotifier::activated, &app, [&] {
        for (int n = StopSignals::takePauseRequests(); n > 0; --n)
            togglePause(session);
    });

    if (StopSignals::requested()) {
        std::cerr << "Stopped before the recording started; nothing was written.\n";
        return kExitFailure;
    }
    bool stopping = false;
    bool stopRequested = false;
    auto stop = [&] {
        stopRequested = true;
        if (stopping || !session.isRecording()) // the start, or the capture's own end, acts on it
            return;
        stopping = true;
        session.toggleRecording([&] { app.exit(reportStop(session)); });
    };
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        StopSignals::drain();
        stop();
    });
    // The capture ended by itself: what was recorded is kept and listed. A failure (the recorded
    // window was closed) fails the command with the recorder's message; the desktop's own stop
    // control ends it like Ctrl-C.
    QObject::connect(&session, &RecordingSession::recordingEndedByItself, &app, [&] {
        stopping = true;
        const int code = reportStop(session);
        app.exit(session.recorder().errorMessage() ? kExitFailure : code);
    });
    // Sound that goes missing while recording is said at once (and again in the summary). The
    // system audio and the microphone notice a lost server a moment apart: what they say is
    // printed once it has settled.
    std::vector<std::string> said;
    QTimer settled;
    settled.setSingleShot(true);
    settled.setInterval(300);
    QObject::connect(&settled, &QTimer::timeout, &app, [&] {
        if (!session.isRecording())
            return;
        for (const auto& notice : session.recordingNotices())
            if (std::find(said.begin(), said.end(), notice) == said.end()) {
                said.push_back(notice);
                std::cerr << notice << "\n";
            }
    });
    QObject::connect(&session, &RecordingSession::recordingNoticesChanged, &settled, qOverload<>(&QTimer::start));
    // --duration counts recorded time: its timer waits while the recording is paused.
    QTimer durationTimer;
    durationTimer.setSingleShot(true);
    QObject::connect(&durationTimer, &QTimer::timeout, &app, stop);
    auto runFor = [&](double seconds) {
        durationTimer.start(static_cast<int>(std::ceil(std::max(0.0, seconds) * 1000)));
    };
    QObject::connect(&session, &RecordingSession::pausedChanged, &app, [&](bool paused) {
        if (!options.duration || stopping)
            return;
        if (paused)
            durationTimer.stop();
        else
            runFor(*options.duration - session.recordedSeconds());
    });
    QTimer::singleShot(0, &app, [&] {
        session.toggleRecording([&] {
            if (!session.isRecording()) {
                std::cerr << session.recorder().errorMessage().value_or("The recording didn't start.") << "\n";
                app.exit(kExitFailure);
                return;
            }
            std::cerr << "recording " << options.source;
            if (const auto& area = session.recordingSource()->area())
                std::cerr << " area " << areaText(*area);
            std::cerr << " (Ctrl-C to stop, SIGUSR1 to pause)\n";
            for (const auto& notice : session.notices())
                std::cerr << notice << "\n";
            if (stopRequested)
                stop();
            else if (options.duration)
                runFor(*options.duration);
        });
    });
    return app.exec();
}

} // namespace tarnix::cli
