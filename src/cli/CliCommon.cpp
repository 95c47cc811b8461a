#include "cli/CliCommon.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include <QGuiApplication>

#include <nlohmann/json.hpp>

#include "document/DocumentCoding.h"

namespace tarnix::cli {

TextDrawing::TextDrawing(const RecordingTimeline& timeline)
{
    const bool showsKeys = !timeline.keyEvents.empty() && timeline.keystrokeOverlay.isEnabled;
    if ((timeline.textRegions.empty() && !showsKeys) || QCoreApplication::instance())
        return;
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

TextDrawing::~TextDrawing() = default;

std::string readFile(const std::filesystem::path& path)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw InputError(path.string() + ": " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat info {};
    if (fstat(fd, &info) != 0)
        throw InputError(path.string() + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        throw InputError(path.string() + ": is a folder, not a document");
    if (!S_ISREG(info.st_mode))
        throw InputError(path.string() + ": is not a regular file (a FIFO, a socket or a device)");
    if (info.st_size > kMaxDocumentBytes)
        throw InputError(path.string() + ": is " + std::to_string(info.st_size >> 20) +
                         " MB, larger than any recording document (at most " +
                         std::to_string(kMaxDocumentBytes >> 20) + " MB)");
    std::string text(std::size_t(info.st_size), '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const ssize_t n = read(fd, text.data() + filled, text.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw InputError(path.string() + ": " + std::strerror(errno));
        if (n == 0)
            break;
        filled += std::size_t(n);
    }
    text.resize(filled);
    return text;
}

RecordingTimeline loadDocument(const std::filesystem::path& path)
{
    std::string text = readFile(path);
    try {
        return decodeRecordingTimeline(text);
    } catch (const DecodingError& error) {
        throw InputError(path.string() + ": " + error.what());
    }
}

double parseNumber(const std::string& text, const std::string& what)
{
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || !std::isfinite(value))
        throw UsageError(what + " must be a number, not \"" + text + "\"");
    return value;
}

std::string formatNumber(double value)
{
    return nlohmann::json(value).dump();
}

} // namespace tarnix::cli
