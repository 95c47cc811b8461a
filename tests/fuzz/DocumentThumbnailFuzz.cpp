// Renders the thumbnail of arbitrary documents, as a file manager's thumbnailer does with
// documents from anywhere: whatever decodes must render or fail with an exception, never crash,
// hang or take unbounded memory. The documents' media files are replaced by a small real movie
// made at start-up, so that the fuzzer explores the rendering of hostile look settings, regions
// and samples rather than FFmpeg's demuxers.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "compositing/DocumentThumbnail.h"
#include "document/DocumentCoding.h"

namespace {

std::filesystem::path movie;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tarnix-thumbnail-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    movie = folder / "screen.mp4";
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=96x64:r=10:d=1 "
                                "-c:v libx264 -preset ultrafast -pix_fmt yuv420p " + movie.string();
    if (std::system(command.c_str()) != 0)
        std::abort();
    std::atexit([] { std::filesystem::remove_all(movie.parent_path()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tarnix::RecordingTimeline timeline;
    try {
        timeline = tarnix::decodeRecordingTimeline(text);
    } catch (const tarnix::DecodingError&) {
        return 0;
    }
    timeline.videoURL = movie;
    if (timeline.cameraURL)
        timeline.cameraURL = movie;
    timeline.microphoneURL.reset();
    timeline.background.imagePath.reset();
    try {
        tarnix::DocumentThumbnail::render(timeline, 48);
    } catch (const std::exception&) {
        // A clean failure: the thumbnailer says so and writes nothing.
    }
    return 0;
}
