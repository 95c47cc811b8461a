#include "update/ManifestFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include "document/JsonReader.h"

namespace tarnix::UpdateChecker {

void fetchManifest(const QUrl& endpoint, int timeoutMs, QObject* context,
                   std::function<void(std::optional<Manifest>)> done)
{
    // One manager per fetch: two checks may run at once, and each cleans up after itself.
    auto* manager = new QNetworkAccessManager(context);
    QNetworkRequest request(endpoint);
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    QNetworkReply* reply = manager->get(request);
    reply->setReadBufferSize(maximumBodyBytes + 1);

    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, tooLarge](qint64 received, qint64 total) {
        if (received > maximumBodyBytes || total > maximumBodyBytes) {
            *tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, manager, [manager, reply, tooLarge, done = std::move(done)] {
        std::optional<Manifest> manifest;
        // An HTTP answer of any status carries a body to decode; without a status the transfer
        // itself failed (no connection, timeout, abort).
        const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        if (!*tooLarge && answered) {
            const QByteArray body = reply->read(maximumBodyBytes + 1);
            if (body.size() <= maximumBodyBytes) {
                try {
                    manifest = decodeManifest(std::string_view(body.constData(), size_t(body.size())));
                } catch (const std::exception&) {
                    // Not a manifest: a failed fetch, like any other.
                }
            }
        }
        manager->deleteLater();
        done(std::move(manifest));
    });
}

std::optional<QUrl> downloadPage(const std::string& url)
{
    const QUrl page(QString::fromStdString(url), QUrl::StrictMode);
    const QString scheme = page.scheme().toLower();
    if (!page.isValid() || page.isRelative() || page.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return std::nullopt;
    return page;
}

} // namespace tarnix::UpdateChecker
