#include "recorder/KeystrokeSetting.h"

namespace tarnix::KeystrokeSetting {

namespace {
const QString kOn = QStringLiteral("recording/keystrokes");
const QString kEveryKey = QStringLiteral("recording/everyKey");
} // namespace

std::optional<KeyCaptureScope> load(const QSettings& settings)
{
    if (!settings.value(kOn, false).toBool())
        return std::nullopt;
    return settings.value(kEveryKey, false).toBool() ? KeyCaptureScope::everyKey : KeyCaptureScope::shortcuts;
}

std::optional<KeyCaptureScope> save(QSettings& settings, bool on)
{
    settings.setValue(kOn, on);
    return load(settings);
}

} // namespace tarnix::KeystrokeSetting
