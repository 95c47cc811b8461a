#include "ui/UpdatePrompt.h"

#include <QDesktopServices>

#include "ui/AppAlert.h"
#include "update/ManifestFetch.h"

namespace tarnix::UpdatePrompt {

namespace {

int present(const UpdateChecker::Alert& alert)
{
    QStringList buttons;
    for (const std::string& button : alert.buttons)
        buttons << QString::fromStdString(button);
    return AppAlert::ask(QString::fromStdString(alert.title), QString::fromStdString(alert.message), buttons);
}

void offerUpdate(const UpdateChecker::Manifest& manifest, const std::string& running, const Options& options)
{
    if (present(UpdateChecker::updateAlert(manifest, running)) != 0)
        return;
    if (auto page = UpdateChecker::downloadPage(manifest.url)) {
        if (options.openUrl)
            options.openUrl(*page);
        else
            QDesktopServices::openUrl(*page);
    }
}

void check(QObject* context, Options options, bool manual)
{
    const auto running = options.runningVersion ? options.runningVersion : UpdateChecker::currentVersion();
    if (!running) {
        if (options.finished)
            options.finished();
        return;
    }
    const QUrl endpoint = options.endpoint.isEmpty()
                              ? QUrl(QString::fromUtf8(UpdateChecker::endpoint.data(), qsizetype(UpdateChecker::endpoint.size())))
                              : options.endpoint;
    const int timeout = options.timeoutMs;
    UpdateChecker::fetchManifest(endpoint, timeout, context,
                                 [options = std::move(options), running = *running, manual](auto manifest) {
                                     if (manifest && UpdateChecker::isNewer(manifest->version, running))
                                         offerUpdate(*manifest, running, options);
                                     else if (manual && manifest)
                                         present(UpdateChecker::upToDateAlert(running));
                                     else if (manual)
                                         present(UpdateChecker::failureAlert());
                                     if (options.finished)
                                         options.finished();
                                 });
}

} // namespace

void checkInBackground(QObject* context, Options options)
{
    check(context, std::move(options), false);
}

void checkManually(QObject* context, Options options)
{
    check(context, std::move(options), true);
}

} // namespace tarnix::UpdatePrompt
