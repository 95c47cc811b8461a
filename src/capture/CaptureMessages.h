#pragma once

#include <string>

// Every user-facing sentence of the capture services, in one place. Where a message points the
// user at a remedy, it names the Linux one: an X server or the desktop's screen-sharing portal
// for the screen, a running PulseAudio or PipeWire sound server for sound, access to /dev/video*
// for cameras.

namespace tarnix::CaptureMessages {

inline std::string listingFailed(const std::string& description)
{
    return "Couldn't list capture sources (" + description +
           "). On X11, check that the X server is running; on Wayland, that the desktop's "
           "screen-sharing portal (xdg-desktop-portal) is. Click ↻ to retry; if that still doesn't "
           "work, quit and reopen Tarnix (a newly opened display is sometimes only picked up after a "
           "relaunch).";
}

// The same failure for the command line, where there is no ↻ button and nothing to relaunch.
inline std::string listingFailedOnCommandLine(const std::string& description)
{
    return "Couldn't list capture sources (" + description +
           "). Check that this terminal belongs to a desktop session: on X11, DISPLAY names its "
           "display; on Wayland, WAYLAND_DISPLAY is set and the screen-sharing portal "
           "(xdg-desktop-portal) runs on the session bus.";
}

inline std::string failedToStart(const std::string& d) { return "Failed to start recording: " + d; }
inline std::string writerFailedToStart(const std::string& d) { return "Writer failed to start: " + d; }
inline std::string writerFailed(const std::string& d) { return "Writer failed: " + d; }
inline std::string captureStopped(const std::string& d) { return "Capture stopped: " + d; }
inline std::string failedToStopCleanly(const std::string& d) { return "Failed to stop cleanly: " + d; }
inline std::string exportFailed(const std::string& d) { return "Export failed: " + d; }
inline const char* const kUnknownError = "unknown error";
// Why a window recording ended by itself (after "Capture stopped: "); what was recorded until
// then is finished and kept.
inline const char* const kRecordedWindowClosed = "the window being recorded was closed";

inline const char* const kNoFramesCaptured =
    "No frames were captured, so the recording is empty. Check that the display or window you "
    "chose is on screen and, on Wayland, that the desktop is still sharing it.";

// The portal desktop (Wayland): what it does not share, said once per recording.
inline const char* const kNoScreenCastPortal =
    "this Wayland desktop offers no screen-sharing portal (start xdg-desktop-portal with a "
    "backend for your desktop, such as xdg-desktop-portal-gnome, -kde or -wlr)";
// After "Failed to start recording: ".
inline const char* const kAreaOutsideSharedDisplay =
    "the chosen area lies outside the display the desktop shared; choose the area again";
// An area that no longer fits the display it was chosen on (after "Failed to start recording: ").
inline const char* const kAreaOffDisplay =
    "the chosen area is no longer on the display; choose the area again";
inline const char* const kNoCursorShared =
    "This desktop doesn't share the pointer's position: the pointer is recorded in the picture "
    "and can't be restyled later.";
// The metadata cursor was granted, yet no position came with any picture of the recording.
inline const char* const kNoCursorPositionsArrived =
    "The desktop was asked for the pointer's position but sent none during this recording, so "
    "the recording has no pointer.";
inline const char* const kDesktopEndedSharing =
    "The desktop ended the screen sharing, so the recording stopped there and was saved.";
inline const char* const kNoClicksShared =
    "This desktop doesn't share clicks: none are recorded, and automatic zoom follows keyboard "
    "focus only.";
// Keys were asked for where they can't be read.
inline const char* const kNoKeysShared =
    "This desktop doesn't share the keys pressed, so none are recorded.";
inline std::string keysNotRecorded(const std::string& d)
{
    return "Keys pressed aren't recorded: " + d;
}
// Said before the bar hides on a desktop with neither a tray nor a stop shortcut (GNOME).
inline const char* const kStopFromSharingIndicator =
    "Stop from the screen-sharing indicator in the top bar.";
inline const char* const kNoStopShortcut =
    "This desktop doesn't offer a shortcut to stop the recording: stop it from the tray icon.";

inline const char* const kCameraAccessNotGranted =
    "Camera access wasn't granted. Enable it by giving your user access to /dev/video* (add it to "
    "the video group), then relaunch Tarnix.";
inline const char* const kCannotAddInput = "Couldn't use the selected camera.";
inline const char* const kCannotAddMicrophone = "Couldn't use the selected microphone.";
inline std::string cameraRecordingFailed(const std::string& d) { return "Camera recording failed: " + d; }

inline const char* const kMicrophoneAccessNotGranted =
    "Microphone access wasn't granted. Enable it by starting a PulseAudio or PipeWire sound server, "
    "then relaunch Tarnix.";
// The sound server could not be reached at all (none runs, or its socket is elsewhere).
inline std::string noSoundServer(const std::string& description)
{
    return "Couldn't reach a sound server (" + description +
           "), so there are no microphones to list. Start PulseAudio or PipeWire with its "
           "PulseAudio service, then try again.";
}

inline const char* const kMicrophoneNotReady =
    "Microphone wasn't ready — deselect and reselect it, then try again.";
inline std::string microphoneRecordingFailed(const std::string& d)
{
    return "Microphone recording failed: " + d;
}

// A sound track the sound server stopped delivering while recording. `tracks` names them as the
// subject of a sentence ("System audio", "The microphone", "System audio and the microphone"),
// `plural` when they are two; `at` is a movie time ("0:05"), `seconds` a length ("12.4").
inline const char* const kSoundServerStopped = "the sound server stopped";
inline std::string soundSourceLost(const std::string& description)
{
    return "the sound source went away (" + description + ")";
}
inline std::string soundMissingSince(const std::string& tracks, bool plural, const std::string& at,
                                     const std::string& reason)
{
    return tracks + (plural ? " are" : " is") + " missing since " + at + ": " + reason + ". Recording goes on.";
}
inline std::string soundWasMissing(const std::string& tracks, bool plural, const std::string& seconds,
                                   const std::string& at, const std::string& reason)
{
    return tracks + (plural ? " were" : " was") + " missing for " + seconds + " s from " + at + ": " + reason + ".";
}
inline std::string soundMissingToTheEnd(const std::string& tracks, bool plural, const std::string& at,
                                        const std::string& seconds, const std::string& reason)
{
    return tracks + (plural ? " are" : " is") + " missing from " + at + " to the end (" + seconds + " s): " + reason +
           ".";
}
inline std::string soundMissingRepeatedly(const std::string& tracks, bool plural, int times,
                                          const std::string& seconds, const std::string& at,
                                          const std::string& reason)
{
    return tracks + (plural ? " were" : " was") + " missing " + std::to_string(times) + " times, " + seconds +
           " s in all, first at " + at + ": " + reason + ".";
}

// The recorded display changed size while recording; sizes as "1280×720", times as "0:03".
inline std::string displayChangedSize(const std::string& size, const std::string& at,
                                      const std::string& movieSize, bool backToMovieSize)
{
    if (backToMovieSize)
        return "The display changed size back to " + size + " at " + at + ".";
    return "The display changed size to " + size + " at " + at +
           ": from there the picture is scaled to fit the movie's " + movieSize + " frame.";
}
inline std::string displayChangedSizeRepeatedly(int times, const std::string& firstAt,
                                                const std::string& firstSize, const std::string& lastAt,
                                                const std::string& lastSize, const std::string& movieSize)
{
    return "The display changed size " + std::to_string(times) + " times, first at " + firstAt + " (to " +
           firstSize + "), last at " + lastAt + " (to " + lastSize + "): where its size differs from the movie's " +
           movieSize + " frame, the picture is scaled to fit it.";
}

} // namespace tarnix::CaptureMessages
