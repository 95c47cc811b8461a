#include "studio/RecordingFiles.h"

#include <QCoreApplication>

#include <fstream>

#include "document/DocumentCoding.h"
#include "document/JsonReader.h"

namespace tarnix::RecordingFiles {

namespace {

// "Couldn't open the recording NAME: " and why, the reason's %1 filled with `detail`.
QString cannotOpen(const std::filesystem::path& path, const char* why, const std::string& detail = {})
{
    QString reason = QCoreApplication::translate("tarnix::RecordingFiles", why);
    if (!detail.empty())
        reason = reason.arg(QString::fromStdString(detail));
    return QCoreApplication::translate("tarnix::RecordingFiles", "Couldn't open the recording %1: %2")
        .arg(QString::fromStdString(path.filename().string()), reason);
}

} // namespace

std::variant<RecordingTimeline, QString> openDocument(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return cannotOpen(path, QT_TRANSLATE_NOOP("tarnix::RecordingFiles", "the file does not exist or is not a file."));
    // Read into one string of the file's size: a long recording's document is over 100 MB, and
    // a stream buffer would hold it twice more.
    std::ifstream in(path, std::ios::binary);
    std::string text(std::filesystem::file_size(path, ec), '\0');
    const auto size = std::streamsize(text.size());
    if (ec || !in.read(text.data(), size) || in.gcount() != size)
        return cannotOpen(path, QT_TRANSLATE_NOOP("tarnix::RecordingFiles", "the file can't be read."));
    RecordingTimeline timeline;
    try {
        timeline = decodeRecordingTimeline(text);
    } catch (const std::exception& error) {
        return cannotOpen(path, QT_TRANSLATE_NOOP("tarnix::RecordingFiles", "it is not a Tarnix recording document (%1)."),
                          error.what());
    }
    if (!timeline.videoURL)
        return cannotOpen(path, QT_TRANSLATE_NOOP("tarnix::RecordingFiles", "the document names no screen movie."));
    if (!std::filesystem::is_regular_file(*timeline.videoURL, ec))
        return cannotOpen(path, QT_TRANSLATE_NOOP("tarnix::RecordingFiles", "its screen movie %1 is missing."),
                          timeline.videoURL->string());
    return timeline;
}

QString openDialogFilter()
{
    return QCoreApplication::translate("tarnix::RecordingFiles", "Tarnix recordings (*.tarnix.json);;All files (*)");
}

} // namespace tarnix::RecordingFiles
