#include "capture/DeviceWatch.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include "capture/pulse/SourceWatch.h"
#include "capture/v4l2/VideoNodeWatch.h"

namespace tarnix {

DeviceWatch::DeviceWatch(const QString& videoFolder, QObject* parent)
    : QObject(parent)
    , videoNodes_(std::make_unique<v4l2::VideoNodeWatch>(videoFolder.toStdString()))
{
    for (auto [timer, changed] : {std::pair{&camerasSettle_, &DeviceWatch::camerasChanged},
                                  std::pair{&microphonesSettle_, &DeviceWatch::microphonesChanged}}) {
        timer->setSingleShot(true);
        timer->setInterval(kSettle);
        connect(timer, &QTimer::timeout, this, changed);
    }
    if (videoNodes_->fd() >= 0) {
        videoNotifier_ = new QSocketNotifier(videoNodes_->fd(), QSocketNotifier::Read, this);
        connect(videoNotifier_, &QSocketNotifier::activated, this, [this] {
            if (videoNodes_->readChanges())
                camerasSettle_.start();
        });
    }
    // Runs on the watch's thread: only the news crosses over (a call queued to this object is
    // dropped if the object is gone by then).
    sources_ = std::make_unique<pulse::SourceWatch>([this] {
        QMetaObject::invokeMethod(this, [this] { microphonesSettle_.start(); }, Qt::QueuedConnection);
    });
}

DeviceWatch::~DeviceWatch()
{
    sources_.reset(); // before the timers: its thread may still be posting
}

bool DeviceWatch::watchesCameras() const
{
    return videoNotifier_ != nullptr;
}

bool DeviceWatch::watchesMicrophones() const
{
    return sources_->isConnected();
}

} // namespace tarnix
