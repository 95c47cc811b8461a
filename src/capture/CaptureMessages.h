#pragma once

#include <QCoreApplication>

#include <string>

// Every user-facing sentence of the capture services, in one place. Where a message points the
// user at a remedy, it names the Linux one: an X server or the desktop's screen-sharing portal
// for the screen, a running PulseAudio or PipeWire sound server for sound, access to /dev/video*
// for cameras.
//
// The sentences are translated as they are made (the k... constants through text()), into the
// language the application installed; without a translator, as in the command line, they stay
// English. Details (%1) are the platform's own descriptions and are passed as they come.

namespace tarnix::CaptureMessages {

// A sentence in the application's language: one of the constants below, or any text of this
// context.
inline std::string text(const char* source)
{
    return QCoreApplication::translate("tarnix::CaptureMessages", source).toStdString();
}

// A sentence with its details in place of %1, %2... (all at once: a "%2" inside a detail, as in
// a file name, stays as it is).
template <class... Details>
std::string text(const char* source, const Details&... details)
{
    return QCoreApplication::translate("tarnix::CaptureMessages", source)
        .arg(QString::fromStdString(details)...)
        .toStdString();
}

inline std::string listingFailed(const std::string& description)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages",
                                  "Couldn't list capture sources (%1). On X11, check that the X server is "
                                  "running; on Wayland, that the desktop's screen-sharing portal "
                                  "(xdg-desktop-portal) is. Click ↻ to retry; if that still doesn't work, quit "
                                  "and reopen Tarnix (a newly opened display is sometimes only picked up after "
                                  "a relaunch)."),
                description);
}

// The same failure for the command line, where there is no ↻ button and nothing to relaunch.
inline std::string listingFailedOnCommandLine(const std::string& description)
{
    // untranslated: the command line speaks English
    return "Couldn't list capture sources (" + description +
           "). Check that this terminal belongs to a desktop session: on X11, DISPLAY names its "
           "display; on Wayland, WAYLAND_DISPLAY is set and the screen-sharing portal "
           "(xdg-desktop-portal) runs on the session bus.";
}

inline std::string failedToStart(const std::string& d)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Failed to start recording: %1"), d);
}
inline std::string writerFailedToStart(const std::string& d)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Writer failed to start: %1"), d);
}
inline std::string writerFailed(const std::string& d)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "The movie can't be written any more, so the recording "
                                                             "stopped; what was recorded until then is kept. (%1)"),
                d);
}
// `d` may be one of the sentences below (kRecordedWindowClosed): it is translated too.
inline std::string captureStopped(const std::string& d)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Capture stopped: %1"), text(d.c_str()));
}
inline std::string failedToStopCleanly(const std::string& d)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Failed to stop cleanly: %1"), d);
}
inline std::string exportFailed(const std::string& d)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Export failed: %1"), d);
}
inline const char* const kUnknownError = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "unknown error");
// Why a window recording ended by itself (after "Capture stopped: "); what was recorded until
// then is finished and kept.
inline const char* const kRecordedWindowClosed = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "the window being recorded was closed");

inline const char* const kNoFramesCaptured = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "No frames were captured, so the recording is empty. Check that the display or window you "
    "chose is on screen and, on Wayland, that the desktop is still sharing it.");

// The portal desktop (Wayland): what it does not share, said once per recording.
inline const char* const kNoScreenCastPortal = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "this Wayland desktop offers no screen-sharing portal (start xdg-desktop-portal with a "
    "backend for your desktop, such as xdg-desktop-portal-gnome, -kde or -wlr)");
// After "Failed to start recording: ".
inline const char* const kAreaOutsideSharedDisplay = QT_TRANSLATE_NOOP("tarnix::CaptureMessages",
    "the chosen area lies outside the display the desktop shared; choose the area again");
// An area that no longer fits the display it was chosen on (after "Failed to start recording: ").
inline const char* const kAreaOffDisplay = QT_TRANSLATE_NOOP("tarnix::CaptureMessages",
    "the chosen area is no longer on the display; choose the area again");
inline const char* const kNoCursorShared = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "This desktop doesn't share the pointer's position: the pointer is recorded in the picture "
    "and can't be restyled later.");
// The metadata cursor was granted, yet no position came with any picture of the recording.
inline const char* const kNoCursorPositionsArrived = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "The desktop was asked for the pointer's position but sent none during this recording, so "
    "the recording has no pointer.");
inline const char* const kDesktopEndedSharing = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "The desktop ended the screen sharing, so the recording stopped there and was saved.");
inline const char* const kNoClicksShared = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "This desktop doesn't share clicks: none are recorded, and automatic zoom follows keyboard "
    "focus only.");
// Keys were asked for where they can't be read.
inline std::string keysNotRecorded(const std::string& d)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Keys pressed aren't recorded: %1"), d);
}
// Said before the bar hides on a desktop with neither a tray nor a stop shortcut (GNOME).
inline const char* const kStopFromSharingIndicator = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Stop from the screen-sharing indicator in the top bar.");
inline const char* const kNoStopShortcut = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "This desktop doesn't offer a shortcut to stop the recording: stop it from the tray icon.");

inline const char* const kCameraAccessNotGranted = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Camera access wasn't granted. Enable it by giving your user access to /dev/video* (add it to "
    "the video group), then relaunch Tarnix.");
inline const char* const kCannotAddInput = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Couldn't use the selected camera.");
inline const char* const kCannotAddMicrophone = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Couldn't use the selected microphone.");
inline std::string cameraRecordingFailed(const std::string& d)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Camera recording failed: %1"), d);
}

inline const char* const kMicrophoneAccessNotGranted = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Microphone access wasn't granted. Enable it by starting a PulseAudio or PipeWire sound server, "
    "then relaunch Tarnix.");
// The sound server could not be reached at all (none runs, or its socket is elsewhere).
inline std::string noSoundServer(const std::string& description)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages",
                                  "Couldn't reach a sound server (%1), so there are no microphones to list. Start "
                                  "PulseAudio or PipeWire with its PulseAudio service, then try again."),
                description);
}

inline const char* const kMicrophoneNotReady =
    QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Microphone wasn't ready — deselect and reselect it, then try again.");
inline std::string microphoneRecordingFailed(const std::string& d)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "Microphone recording failed: %1"), d);
}

// A sound track the sound server stopped delivering while recording. `tracks` names them as the
// subject of a sentence (kSystemAudioTrack, kMicrophoneTrack, kBothTracks), `plural` when they
// are two; `at` is a movie time ("0:05"), `seconds` a length ("12.4"); `reason` one of the
// reasons below or the server's own words. Each sentence has its singular and plural form, since
// languages agree the verb differently.
inline const char* const kSystemAudioTrack = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "System audio");
inline const char* const kMicrophoneTrack = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "The microphone");
inline const char* const kBothTracks =
    QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "System audio and the microphone");
inline const char* const kSoundServerStopped = QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "the sound server stopped");
inline std::string soundSourceLost(const std::string& description)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "the sound source went away (%1)"), description);
}
inline std::string soundMissingSince(const std::string& tracks, bool plural, const std::string& at,
                                     const std::string& reason)
{
    return text(plural ? QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "%1 are missing since %2: %3. Recording goes on.")
                       : QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "%1 is missing since %2: %3. Recording goes on."),
                text(tracks.c_str()), at, text(reason.c_str()));
}
inline std::string soundWasMissing(const std::string& tracks, bool plural, const std::string& seconds,
                                   const std::string& at, const std::string& reason)
{
    return text(plural ? QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "%1 were missing for %2 s from %3: %4.")
                       : QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "%1 was missing for %2 s from %3: %4."),
                text(tracks.c_str()), seconds, at, text(reason.c_str()));
}
inline std::string soundMissingToTheEnd(const std::string& tracks, bool plural, const std::string& at,
                                        const std::string& seconds, const std::string& reason)
{
    return text(plural ? QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "%1 are missing from %2 to the end (%3 s): %4.")
                       : QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "%1 is missing from %2 to the end (%3 s): %4."),
                text(tracks.c_str()), at, seconds, text(reason.c_str()));
}
inline std::string soundMissingRepeatedly(const std::string& tracks, bool plural, int times,
                                          const std::string& seconds, const std::string& at,
                                          const std::string& reason)
{
    return text(plural ? QT_TRANSLATE_NOOP("tarnix::CaptureMessages",
                                           "%1 were missing %2 times, %3 s in all, first at %4: %5.")
                       : QT_TRANSLATE_NOOP("tarnix::CaptureMessages",
                                           "%1 was missing %2 times, %3 s in all, first at %4: %5."),
                text(tracks.c_str()), std::to_string(times), seconds, at, text(reason.c_str()));
}

// The recorded display changed size while recording; sizes as "1280×720", times as "0:03".
inline std::string displayChangedSize(const std::string& size, const std::string& at,
                                      const std::string& movieSize, bool backToMovieSize)
{
    if (backToMovieSize)
        return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages", "The display changed size back to %1 at %2."), size,
                    at);
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages",
                                  "The display changed size to %1 at %2: from there the picture is scaled to fit "
                                  "the movie's %3 frame."),
                size, at, movieSize);
}
inline std::string displayChangedSizeRepeatedly(int times, const std::string& firstAt,
                                                const std::string& firstSize, const std::string& lastAt,
                                                const std::string& lastSize, const std::string& movieSize)
{
    return text(QT_TRANSLATE_NOOP("tarnix::CaptureMessages",
                                  "The display changed size %1 times, first at %2 (to %3), last at %4 (to %5): "
                                  "where its size differs from the movie's %6 frame, the picture is scaled to fit "
                                  "it."),
                std::to_string(times), firstAt, firstSize, lastAt, lastSize, movieSize);
}

} // namespace tarnix::CaptureMessages
