// Feeds arbitrary bytes to the document decoder: it must either decode or raise DecodingError,
// and whatever decodes must survive a round trip through its own encoding.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/DocumentCoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        tarnix::RecordingTimeline timeline = tarnix::decodeRecordingTimeline(text);
        std::string encoded = tarnix::encodeRecordingTimeline(timeline, -1);
        if (!(tarnix::decodeRecordingTimeline(encoded) == timeline))
            std::abort();
    } catch (const tarnix::DecodingError&) {
    }
    return 0;
}
