#pragma once

#include <QTimer>

#include <atomic>
#include <memory>

#include "capture/CaptureError.h"
#include "capture/CaptureMessages.h"
#include "capture/FrameSource.h"

// A stand-in for a desktop that shares through the portal: it answers a while after it is asked
// (as a desktop asking its user would), shares a display of a given size, and sends the same
// picture every time until it is told it has gone.

namespace tarnix::test {

class StillFrameSource : public FrameSource {
public:
    StillFrameSource(QSize size, std::shared_ptr<std::atomic<bool>> gone)
        : image_(size, QImage::Format_RGB32)
        , gone_(std::move(gone))
    {
        image_.fill(QColor(0x20, 0x60, 0xc0));
    }
    QImage grab() override
    {
        if (*gone_)
            throw SharingEndedError("the desktop stopped sharing the screen");
        return image_;
    }

private:
    QImage image_;
    std::shared_ptr<std::atomic<bool>> gone_;
};

struct FakePortalDesktop {
    QSize size{320, 240};
    bool refuses = false;
    bool sharesPointer = false; // agrees to send the pointer's position (and then sends none)
    std::shared_ptr<std::atomic<bool>> gone = std::make_shared<std::atomic<bool>>(false);

    // The opener for ScreenRecorder::setFrameSourceOpener; the desktop must outlive it.
    FrameSourceOpener opener()
    {
        return [this](const CaptureSource& chosen, const std::vector<WindowInfo>&,
                      std::function<void(OpenedFrameSource)> done) {
            QTimer::singleShot(100, [this, chosen, done] {
                OpenedFrameSource opened;
                if (refuses) {
                    opened.error = "the screen-sharing request was cancelled";
                } else {
                    DisplayInfo shared = chosen.display();
                    shared.frame = QRect(QPoint(0, 0), size);
                    opened.recorded = CaptureSource::forDisplay(shared, {shared.frame}).viaPortal();
                    opened.source = std::make_unique<StillFrameSource>(size, gone);
                    if (!sharesPointer)
                        opened.notices.push_back(CaptureMessages::kNoCursorShared);
                }
                done(std::move(opened));
            });
        };
    }
};

} // namespace tarnix::test
