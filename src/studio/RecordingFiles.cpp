#include "studio/RecordingFiles.h"

#include <fstream>

#include "document/DocumentCoding.h"
#include "document/JsonReader.h"

namespace tarnix::RecordingFiles {

namespace {

QString cannotOpen(const std::filesystem::path& path, const std::string& why)
{
    return QString::fromStdString("Couldn't open the recording " + path.filename().string() + ": " +
                                  why);
}

} // namespace

std::variant<RecordingTimeline, QString> openDocument(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return cannotOpen(path, "the file does not exist or is not a file.");
    // Read into one string of the file's size: a long recording's document is over 100 MB, and
    // a stream buffer would hold it twice more.
    std::ifstream in(path, std::ios::binary);
    std::string text(std::filesystem::file_size(path, ec), '\0');
    const auto size = std::streamsize(text.size());
    if (ec || !in.read(text.data(), size) || in.gcount() != size)
        return cannotOpen(path, "the file can't be read.");
    RecordingTimeline timeline;
    try {
        timeline = decodeRecordingTimeline(text);
    } catch (const DecodingError& error) {
        return cannotOpen(path, std::string("it is not a Tarnix recording document (") + error.what() +
                                    ").");
    } catch (const std::exception& error) {
        return cannotOpen(path, std::string("it is not a Tarnix recording document (") + error.what() +
                                    ").");
    }
    if (!timeline.videoURL)
        return cannotOpen(path, "the document names no screen movie.");
    if (!std::filesystem::is_regular_file(*timeline.videoURL, ec))
        return cannotOpen(path, "its screen movie " + timeline.videoURL->string() + " is missing.");
    return timeline;
}

QString openDialogFilter()
{
    return QStringLiteral("Tarnix recordings (*.tarnix.json);;All files (*)");
}

} // namespace tarnix::RecordingFiles
