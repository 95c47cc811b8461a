#include "recorder/StudioMode.h"

#include "recorder/FinishedRecordingView.h"

namespace tarnix::StudioMode {

QWidget* makeWidget(const Recording& recording, std::function<void()> onClose, QWidget* parent)
{
    return new FinishedRecordingView(recording, std::move(onClose), parent);
}

bool canOpenRecordings()
{
    return false;
}

} // namespace tarnix::StudioMode
