#include "recorder/StudioMode.h"

#include <QTimer>

#include "studio/StudioSession.h"
#include "studio/StudioView.h"
#include "ui/AppAlert.h"

namespace tarnix::StudioMode {

QWidget* makeWidget(const Recording& recording, std::function<void()> onClose, QWidget* parent)
{
    auto* view = new StudioView(recording.timeline, recording.documentPath, parent);
    QObject::connect(view, &StudioView::closeRequested, view, [onClose] { onClose(); });
    if (!recording.notices.empty()) {
        QStringList notices;
        for (const auto& notice : recording.notices)
            notices << QString::fromStdString(notice);
        view->session().messages().showNotice(notices.join(QLatin1Char(' ')));
    }
    if (recording.documentError) {
        // The recording is there, but its edits can't be kept in a file: say so once.
        const QString message = QString::fromStdString(*recording.documentError);
        QTimer::singleShot(0, view, [message] {
            AppAlert::show(QObject::tr("Something went wrong"), message);
        });
    }
    return view;
}

bool canOpenRecordings()
{
    return true;
}

bool confirmClose(QWidget* studio)
{
    auto* view = qobject_cast<StudioView*>(studio);
    return !view || view->confirmClose();
}

} // namespace tarnix::StudioMode
