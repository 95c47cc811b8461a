#include "studio/sidebar/StudioTabLabels.h"

#include <QCoreApplication>

namespace tarnix {

QString title(StudioTab tab)
{
    switch (tab) {
    case StudioTab::zoom: return QCoreApplication::translate("StudioTab", "Zoom");
    case StudioTab::camera: return QCoreApplication::translate("StudioTab", "Camera");
    case StudioTab::background: return QCoreApplication::translate("StudioTab", "Background");
    case StudioTab::audio: return QCoreApplication::translate("StudioTab", "Audio");
    case StudioTab::cursor: return QCoreApplication::translate("StudioTab", "Cursor");
    case StudioTab::redact: return QCoreApplication::translate("StudioTab", "Privacy");
    case StudioTab::text: return QCoreApplication::translate("StudioTab", "Text");
    case StudioTab::keys: return QCoreApplication::translate("StudioTab", "Keys");
    }
    return {};
}

QString iconName(StudioTab tab)
{
    switch (tab) {
    case StudioTab::zoom: return QStringLiteral("zoom");
    case StudioTab::camera: return QStringLiteral("video-fill");
    case StudioTab::background: return QStringLiteral("palette-fill");
    case StudioTab::audio: return QStringLiteral("waveform");
    case StudioTab::cursor: return QStringLiteral("cursor");
    case StudioTab::redact: return QStringLiteral("eye-slash-fill");
    case StudioTab::text: return QStringLiteral("text-aa-fill");
    case StudioTab::keys: return QStringLiteral("keyboard");
    }
    return {};
}

} // namespace tarnix
