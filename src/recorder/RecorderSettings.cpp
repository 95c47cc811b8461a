#include "recorder/RecorderSettings.h"

#include <algorithm>

namespace tarnix::RecorderSettings {

namespace {
const QString kCountdown = QStringLiteral("recording/countdown");
const QString kArea = QStringLiteral("recording/area");
const QString kAreaDisplay = QStringLiteral("recording/areaDisplay");
} // namespace

int countdown(const QSettings& settings)
{
    const int seconds = settings.value(kCountdown, 0).toInt();
    return std::find(kCountdownChoices.begin(), kCountdownChoices.end(), seconds) != kCountdownChoices.end() ? seconds
                                                                                                         : 0;
}

void saveCountdown(QSettings& settings, int seconds)
{
    settings.setValue(kCountdown, seconds);
}

std::optional<QRect> lastArea(const QSettings& settings, const std::string& displayIdentifier)
{
    if (settings.value(kAreaDisplay).toString().toStdString() != displayIdentifier)
        return std::nullopt;
    const QRect area = settings.value(kArea).toRect();
    if (area.width() < 2 || area.height() < 2)
        return std::nullopt;
    return area;
}

void saveArea(QSettings& settings, const std::string& displayIdentifier, const QRect& area)
{
    settings.setValue(kAreaDisplay, QString::fromStdString(displayIdentifier));
    settings.setValue(kArea, area);
}

} // namespace tarnix::RecorderSettings
