#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

// Says when the cameras or the microphones may have changed, so that their lists follow the
// hardware: video nodes in /dev (a webcam plugged in or out), and the sound server's sources (a
// headset's microphone, a virtual source, the server itself stopping or starting). A burst of
// events (udev makes a node and then sets its access; a headset brings a sink and a source) comes
// as one signal, kSettle after the last event. The watch says "may": the listing decides.
//
// Threads: a QObject of the GUI thread, where its signals come. The video nodes are read through
// the event loop; the sound server is watched on a thread of its own (pulse::SourceWatch).

class QSocketNotifier;

namespace tarnix {

namespace pulse {
class SourceWatch;
}
namespace v4l2 {
class VideoNodeWatch;
}

class DeviceWatch : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kSettle{150};

    // `videoFolder` holds the video device nodes (another folder in tests).
    explicit DeviceWatch(const QString& videoFolder = QStringLiteral("/dev"), QObject* parent = nullptr);
    ~DeviceWatch() override;

    // Whether the video nodes are watched (false when the folder can't be).
    bool watchesCameras() const;
    // Whether a sound server is watched now (false while there is none; the watch keeps trying).
    bool watchesMicrophones() const;

signals:
    void camerasChanged();
    void microphonesChanged();

private:
    std::unique_ptr<v4l2::VideoNodeWatch> videoNodes_;
    QSocketNotifier* videoNotifier_ = nullptr;
    std::unique_ptr<pulse::SourceWatch> sources_;
    QTimer camerasSettle_;
    QTimer microphonesSettle_;
};

} // namespace tarnix
