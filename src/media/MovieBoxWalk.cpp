#include "media/MovieBoxWalk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace tarnix::media {

namespace {

class FileHandle {
public:
    explicit FileHandle(const std::filesystem::path& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileHandle()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

std::uint64_t bigEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

// Box types are four printable ASCII characters at the top level ("ftyp", "moof"...); anything
// else is not a box header.
bool isBoxType(const unsigned char* type)
{
    return std::all_of(type, type + 4, [](unsigned char c) { return c >= 0x20 && c <= 0x7e; });
}

struct Header {
    std::string_view type;
    std::uint64_t size = 0; // the whole box, header included
};

enum class Read { box, cutShort, notABox, failed };

// The header of the box at `at`, of which `remaining` bytes are in the file.
Read readHeader(int fd, std::uint64_t at, std::uint64_t remaining, std::array<unsigned char, 16>& bytes,
                Header& header)
{
    const std::uint64_t wanted = std::min<std::uint64_t>(remaining, bytes.size());
    if (pread(fd, bytes.data(), wanted, static_cast<off_t>(at)) != static_cast<ssize_t>(wanted))
        return Read::failed;
    if (remaining < 8)
        return Read::cutShort;
    if (!isBoxType(bytes.data() + 4))
        return Read::notABox;
    header.type = std::string_view(reinterpret_cast<const char*>(bytes.data() + 4), 4);
    const std::uint64_t size = bigEndian(bytes.data(), 4);
    if (size == 0) {
        header.size = remaining; // runs to the end of the file
    } else if (size == 1) {
        if (remaining < 16)
            return Read::cutShort;
        header.size = bigEndian(bytes.data() + 8, 8);
        if (header.size < 16)
            return Read::notABox;
    } else if (size < 8) {
        return Read::notABox;
    } else {
        header.size = size;
    }
    return header.size > remaining ? Read::cutShort : Read::box;
}

} // namespace

std::optional<MovieBoxWalk> walkMovieBoxes(const std::filesystem::path& file)
{
    FileHandle handle(file);
    struct stat status {};
    if (handle.fd() < 0 || fstat(handle.fd(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    MovieBoxWalk walk;
    walk.fileSize = static_cast<std::uint64_t>(status.st_size);
    // Where the last moof without its mdat yet began: a fragment is whole only with both.
    std::optional<std::uint64_t> openFragment;
    std::array<unsigned char, 16> bytes{};
    std::uint64_t at = 0;
    while (at < walk.fileSize) {
        Header header;
        const Read read = readHeader(handle.fd(), at, walk.fileSize - at, bytes, header);
        if (read == Read::failed)
            return std::nullopt;
        if (read != Read::box) {
            walk.tail = read == Read::cutShort ? MovieBoxWalk::Tail::unfinished : MovieBoxWalk::Tail::unknownBytes;
            break;
        }
        if (header.type == "moov") {
            walk.hasMovieBox = true;
        } else if (header.type == "moof") {
            openFragment = at;
        } else if (header.type == "mdat" && openFragment) {
            ++walk.fragments;
            openFragment.reset();
        }
        at += header.size;
    }
    walk.wholeEnd = at;
    // A fragment whose samples never (or only partly) came is unfinished as a whole: its moof
    // describes samples the file doesn't hold.
    if (openFragment && walk.tail != MovieBoxWalk::Tail::unknownBytes) {
        walk.tail = MovieBoxWalk::Tail::unfinished;
        walk.wholeEnd = *openFragment;
    }
    return walk;
}

} // namespace tarnix::media
