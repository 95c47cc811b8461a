#include "cli/ThumbnailCommand.h"

#include <QBuffer>
#include <QImage>

#include <iostream>

#include "cli/ProcessLimits.h"
#include "compositing/DocumentThumbnail.h"
#include "files/AtomicFile.h"
#include "media/MediaError.h"

namespace tarnix::cli {

namespace {

constexpr int kDefaultSize = 256;

struct ThumbnailArguments {
    std::filesystem::path document;
    std::filesystem::path out;
    int size = kDefaultSize;
};

ThumbnailArguments parseThumbnailArguments(const Arguments& args)
{
    ThumbnailArguments parsed;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--size") {
            if (args[i].starts_with("--"))
                throw UsageError("unknown option " + args[i]);
            positional.push_back(args[i]);
            continue;
        }
        if (i + 1 >= args.size())
            throw UsageError("--size needs a value");
        const double size = parseNumber(args[++i], "--size");
        if (size != double(int(size)) || size < 1 || size > DocumentThumbnail::kMaxSize)
            throw UsageError("--size must be a whole number of pixels from 1 to " +
                             std::to_string(DocumentThumbnail::kMaxSize));
        parsed.size = int(size);
    }
    if (positional.size() != 2)
        throw UsageError("expected the document and the picture to write");
    parsed.document = positional[0];
    parsed.out = positional[1];
    return parsed;
}

std::string encodePng(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG"))
        throw std::runtime_error("The thumbnail couldn't be encoded.");
    return bytes.toStdString();
}

// A thumbnail runner may hand over an empty placeholder it made for the result; any other file
// at that name is left alone.
void writeThumbnail(const std::filesystem::path& out, std::string_view png)
{
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(out, ec);
    const bool placeholder = std::filesystem::is_regular_file(status) &&
                             std::filesystem::file_size(out, ec) == 0 && !ec;
    AtomicFile file(out, NameClash::fail);
    file.write(png);
    if (placeholder)
        file.replace();
    else
        file.publish();
}

} // namespace

int runThumbnail(const Arguments& args)
{
    const ThumbnailArguments parsed = parseThumbnailArguments(args);
    // A file manager runs this on documents from anywhere: a document that names a huge or
    // endless file must not hang it or take the machine's memory.
    ProcessLimits::setDeadline(kThumbnailSeconds,
                               "The thumbnail took too long and was abandoned; nothing was written.\n");
    ProcessLimits::limitAddressSpace(kThumbnailAddressSpace);
    try {
        const RecordingTimeline timeline = loadDocument(parsed.document);
        const TextDrawing text(timeline);
        const std::string png = encodePng(DocumentThumbnail::render(timeline, parsed.size));
        ProcessLimits::cancelDeadline();
        writeThumbnail(parsed.out, png);
    } catch (const InputError&) {
        throw; // an unreadable or invalid document: the usual message and exit status
    } catch (const media::MediaException& e) {
        std::cerr << "No thumbnail: " << media::describe(e.error()) << "\n";
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        std::cerr << "No thumbnail: the recording needs more memory than a thumbnail may use.\n";
        return kExitFailure;
    } catch (const std::exception& e) {
        std::cerr << "No thumbnail: " << e.what() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace tarnix::cli
