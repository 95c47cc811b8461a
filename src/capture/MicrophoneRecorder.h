#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "capture/DeviceFileRecorder.h"
#include "capture/DeviceListing.h"
#include "capture/RecordingNotices.h"

#include "capture/pulse/PulseAudio.h"

namespace tarnix::media {
class MovieWriter;
}

// The microphones (sound-server sources that are not monitors) and the recorder that writes the
// chosen one to an .m4a file (AAC, 44.1 kHz, mono, 128 kb/s) next to the screen recording.
//
// Threads: QObjects of the GUI thread; properties are read and written there only. The sound
// stream runs on its own thread, which encodes while recording and posts failures here.

namespace tarnix {

class MicrophoneDeviceProvider : public DeviceListing {
    Q_OBJECT
public:
    using DeviceListing::DeviceListing;
    const std::vector<pulse::SourceInfo>& devices() const { return devices_; }
    // Lists the sound server's microphones, or reports that there is no sound server.
    void refresh();

private:
    std::vector<pulse::SourceInfo> devices_;
};

class MicrophoneRecorder : public DeviceFileRecorder {
    Q_OBJECT
public:
    explicit MicrophoneRecorder(QObject* parent = nullptr);
    ~MicrophoneRecorder() override;

    // Listening to the input: false before configure, after teardown, and while the sound server
    // is away (the stream then tries again by itself, and a recording goes on with silence).
    bool isSessionRunning() const;
    bool hasInput() const { return currentDevice_.has_value(); }

    // Makes the named source the only input and starts listening to it. Raises CaptureError
    // with the sound server's description when the source can't be opened.
    void configure(const std::string& deviceName);
    // Starts writing the file when an input is configured and listening.
    void start();
    // Stops listening and forgets the input, ending a recording in progress.
    void teardown();
    // Where the current or last recording's sound was missing; the file stays aligned, silent there.
    const std::vector<SoundGap>& soundGaps() const { return soundGaps_; }

signals:
    void soundGapsChanged();

protected:
    void finishing() override;

private:

    std::optional<std::string> currentDevice_;
    std::unique_ptr<pulse::Stream> stream_;
    std::vector<SoundGap> soundGaps_;
};

} // namespace tarnix
