#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

// Where the whole part of an MPEG-4 / QuickTime file ends, from its top-level box headers alone:
// a recording is gigabytes, and only 8 or 16 bytes a box are read.
//
// A fragmented recording is ftyp, moov (the track list, no samples), then fragments, each a moof
// (the fragment's sample table) followed by its mdat (the samples), and an mfra index once it is
// finished. A process killed while writing leaves the file ending inside a box; when that box is
// the last fragment's moof, FFmpeg refuses the whole file. The walk finds the end of the last
// whole fragment before such an unfinished one, so that a caller can see what the file holds
// without it.
//
// Threads: any; nothing is shared.

namespace tarnix::media {

struct MovieBoxWalk {
    enum class Tail {
        none,         // the file ends where its last box ends
        unfinished,   // the file ends inside a box (or a fragment whose mdat never came)
        unknownBytes, // bytes follow the last whole box that are no box header (garbage)
    };

    std::uint64_t fileSize = 0;
    // The end of the whole part: the file's size when it ends on a whole box, else where the
    // unfinished fragment (its moof) or the unfinished box begins, or where the unknown bytes
    // begin. Every byte before it belongs to a whole box.
    std::uint64_t wholeEnd = 0;
    Tail tail = Tail::none;
    bool hasMovieBox = false; // a whole moov lies before wholeEnd
    int fragments = 0;        // whole fragments (a moof followed by its whole mdat) before wholeEnd
};

// Walks the top-level boxes of `file`. A box of size 0 runs to the end of the file (and is whole);
// sizes of 64 bits are read. Nothing when the file can't be read.
std::optional<MovieBoxWalk> walkMovieBoxes(const std::filesystem::path& file);

} // namespace tarnix::media
