#include "update/UpdateChecker.h"

#include <QCoreApplication>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "document/JsonReader.h"

namespace tarnix::UpdateChecker {

namespace {

std::string text(const char* source)
{
    return QCoreApplication::translate("tarnix::UpdateChecker", source).toStdString();
}

} // namespace

Manifest decodeManifest(std::string_view json)
{
    nlohmann::json root = parseJson(json);
    JsonReader in(root);
    Manifest manifest;
    manifest.version = in["version"].string();
    manifest.url = in["url"].string();
    if (auto notes = in.optional("notes"))
        manifest.notes = notes->string();
    return manifest;
}

namespace {

// A signed decimal with an optional leading sign and digits only; 0 when it does not parse or
// does not fit.
std::int64_t pieceValue(std::string_view piece)
{
    bool negative = false;
    if (!piece.empty() && (piece.front() == '+' || piece.front() == '-')) {
        negative = piece.front() == '-';
        piece.remove_prefix(1);
    }
    if (piece.empty())
        return 0;
    for (char c : piece)
        if (c < '0' || c > '9')
            return 0;
    std::int64_t magnitude = 0;
    auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), magnitude);
    if (error != std::errc() || end != piece.data() + piece.size())
        return 0;
    return negative ? -magnitude : magnitude;
}

std::vector<std::int64_t> versionPieces(std::string_view version)
{
    std::vector<std::int64_t> pieces;
    std::size_t begin = 0;
    while (begin <= version.size()) {
        std::size_t dot = version.find('.', begin);
        if (dot == std::string_view::npos)
            dot = version.size();
        if (dot > begin)
            pieces.push_back(pieceValue(version.substr(begin, dot - begin)));
        begin = dot + 1;
    }
    return pieces;
}

} // namespace

std::optional<std::string> currentVersion()
{
#ifdef TARNIX_VERSION
    return std::string(TARNIX_VERSION);
#else
    return std::nullopt;
#endif
}

Alert updateAlert(const Manifest& manifest, std::string_view runningVersion)
{
    std::string message = QCoreApplication::translate("tarnix::UpdateChecker", "Version %1 is available — you're on %2.")
                              .arg(QString::fromStdString(manifest.version),
                                   QString::fromUtf8(runningVersion.data(), qsizetype(runningVersion.size())))
                              .toStdString();
    if (manifest.notes && !manifest.notes->empty())
        message += "\n\n" + *manifest.notes;
    return {text(QT_TRANSLATE_NOOP("tarnix::UpdateChecker", "A new version of Tarnix is available")), message,
            {text(QT_TRANSLATE_NOOP("tarnix::UpdateChecker", "Download")),
             text(QT_TRANSLATE_NOOP("tarnix::UpdateChecker", "Later"))}};
}

Alert upToDateAlert(std::string_view runningVersion)
{
    return {text(QT_TRANSLATE_NOOP("tarnix::UpdateChecker", "You're up to date")),
            QCoreApplication::translate("tarnix::UpdateChecker", "Tarnix %1 is the latest version.")
                .arg(QString::fromUtf8(runningVersion.data(), qsizetype(runningVersion.size())))
                .toStdString(),
            {text(QT_TRANSLATE_NOOP("tarnix::UpdateChecker", "OK"))}};
}

Alert failureAlert()
{
    return {text(QT_TRANSLATE_NOOP("tarnix::UpdateChecker", "Couldn't check for updates")),
            text(QT_TRANSLATE_NOOP("tarnix::UpdateChecker", "Check your internet connection and try again.")),
            {text(QT_TRANSLATE_NOOP("tarnix::UpdateChecker", "OK"))}};
}

bool isNewer(std::string_view a, std::string_view b)
{
    auto left = versionPieces(a);
    auto right = versionPieces(b);
    std::size_t count = std::max(left.size(), right.size());
    for (std::size_t i = 0; i < count; ++i) {
        std::int64_t x = i < left.size() ? left[i] : 0;
        std::int64_t y = i < right.size() ? right[i] : 0;
        if (x != y)
            return x > y;
    }
    return false;
}

} // namespace tarnix::UpdateChecker
