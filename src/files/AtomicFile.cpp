#include "files/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tarnix {

namespace {

constexpr const char* kPartialMarker = ".partial-";
constexpr int kMaxNumberedNames = 100000;
constexpr std::size_t kDefaultNameLimit = 255;

// The longest prefix of `text` of at most `bytes` bytes that does not end inside a UTF-8
// character.
std::string_view utf8Prefix(std::string_view text, std::size_t bytes)
{
    if (text.size() <= bytes)
        return text;
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return text.substr(0, bytes);
}

std::string errnoText(int code)
{
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return text ? text : "unknown error";
}

// Best effort: makes the new directory entry itself durable.
void syncFolder(const std::filesystem::path& folder)
{
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

// Links `from` to the new name `to`, never replacing `to`. Returns 0 or an errno value.
int moveWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    int code = errno;
    if (code != EINVAL && code != ENOSYS && code != EOPNOTSUPP)
        return code;
    // No RENAME_NOREPLACE here (some network and FUSE file systems): link() fails on an existing
    // name just as atomically.
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return 0;
    }
    code = errno;
    if (code != EPERM && code != EOPNOTSUPP && code != ENOSYS)
        return code;
    // No hard links either (FAT): reserve the name exclusively, then rename over our own
    // reservation.
    const int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    close(fd);
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        code = errno;
        unlink(to.c_str());
        return code;
    }
    return 0;
}

} // namespace

std::string describeFileErrno(int code)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT: return "the disk is full";
    case EROFS: return "the folder is read-only";
    case EACCES:
    case EPERM: return "permission was denied";
    case ENOENT: return "no such folder";
    case ENOTDIR: return "a part of the path is not a folder";
    case EEXIST: return "a file with that name already exists";
    case EISDIR: return "that name is a folder";
    case ENAMETOOLONG: return "the name is too long";
    case EIO: return "the disk reported an input/output error";
    case EFBIG: return "the file is too large for this disk";
    case EMFILE:
    case ENFILE: return "too many files are open";
    default: return errnoText(code);
    }
}

std::string fileErrnoCode(int code) { return "errno " + std::to_string(code) + ": " + errnoText(code); }

FileError::FileError(const std::string& action, const std::filesystem::path& path, int code)
    : std::runtime_error("Couldn't " + action + " " + path.string() + ": " + describeFileErrno(code) +
                         " (" + fileErrnoCode(code) + ").")
    , code_(code)
    , path_(path)
{
}

std::size_t fileNameLimit(const std::filesystem::path& folder)
{
    const long limit = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? std::size_t(limit) : kDefaultNameLimit;
}

std::string fittedFileName(std::string_view stem, std::string_view suffix, std::size_t limit)
{
    if (stem.size() + suffix.size() <= limit)
        return std::string(stem) + std::string(suffix);
    if (suffix.size() > limit)
        return std::string(utf8Prefix(suffix, limit));
    return std::string(utf8Prefix(stem, limit - suffix.size())) + std::string(suffix);
}

std::filesystem::path fittedPath(const std::filesystem::path& folder, std::string_view stem,
                                 std::string_view suffix)
{
    return folder / fittedFileName(stem, suffix, fileNameLimit(folder));
}

std::filesystem::path numberedFileName(const std::filesystem::path& path, int n)
{
    const std::filesystem::path name = path.filename();
    return fittedPath(path.parent_path(), name.stem().string(),
                      "-" + std::to_string(n) + name.extension().string());
}

bool isPartialFileName(const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    const std::size_t marker = name.rfind(kPartialMarker);
    return name.starts_with('.') && marker != std::string::npos &&
           name.size() >= marker + std::strlen(kPartialMarker) + 6;
}

AtomicFile::AtomicFile(std::filesystem::path destination, NameClash clash)
    : destination_(std::move(destination))
    , clash_(clash)
{
    const std::filesystem::path name = destination_.filename();
    const std::filesystem::path folder = destination_.parent_path();
    std::string extension = name.extension().string();
    const std::string marker = std::string(kPartialMarker) + "XXXXXX";
    // The hidden dot, the marker and the extension must fit with at least part of the stem; an
    // "extension" too long for that is no container's and is left out.
    const std::size_t limit = fileNameLimit(folder) - 1;
    if (marker.size() + extension.size() > limit)
        extension.clear();
    std::string pattern =
        (folder / ("." + fittedFileName(name.stem().string(), marker + extension, limit))).string();
    fd_ = mkostemps(pattern.data(), int(extension.size()), O_CLOEXEC);
    if (fd_ < 0)
        throw FileError("create", destination_, errno);
    temporary_ = pattern;
    // mkstemp makes 0600; a published file gets the usual mode of a user's documents.
    fchmod(fd_, 0644);
}

AtomicFile::~AtomicFile()
{
    if (!done_)
        discard();
}

void AtomicFile::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw FileError("write", destination_, n < 0 ? errno : ENOSPC);
        bytes.remove_prefix(std::size_t(n));
    }
}

void AtomicFile::flush()
{
    // Writers that opened the temporary by its path wrote through the same inode, so this one
    // descriptor flushes their data too.
    if (fsync(fd_) != 0 && errno != EINVAL)
        throw FileError("write", destination_, errno);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 && errno != EINTR)
        throw FileError("write", destination_, errno);
}

std::filesystem::path AtomicFile::publishAt(const std::filesystem::path& name)
{
    std::filesystem::path candidate = name;
    for (int n = 2;; ++n) {
        const int code = moveWithoutReplacing(temporary_, candidate);
        if (code == 0)
            return candidate;
        if (code != EEXIST || clash_ == NameClash::fail || n > kMaxNumberedNames)
            throw FileError("save", candidate, code);
        candidate = numberedFileName(name, n);
    }
}

std::filesystem::path AtomicFile::publish()
{
    try {
        flush();
        std::filesystem::path published = publishAt(destination_);
        done_ = true;
        syncFolder(published.parent_path());
        return published;
    } catch (...) {
        discard();
        throw;
    }
}

void AtomicFile::replace()
{
    try {
        struct stat existing {};
        if (stat(destination_.c_str(), &existing) == 0)
            fchmod(fd_, existing.st_mode & 07777);
        flush();
        if (std::rename(temporary_.c_str(), destination_.c_str()) != 0)
            throw FileError("save", destination_, errno);
        done_ = true;
        syncFolder(destination_.parent_path());
    } catch (...) {
        discard();
        throw;
    }
}

void AtomicFile::discard()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!done_ && !temporary_.empty())
        unlink(temporary_.c_str());
    done_ = true;
}

std::filesystem::path publishNewFile(const std::filesystem::path& path, std::string_view contents,
                                     NameClash clash)
{
    AtomicFile file(path, clash);
    file.write(contents);
    return file.publish();
}

std::filesystem::path reserveNewFile(const std::filesystem::path& path, NameClash clash)
{
    std::filesystem::path candidate = path;
    for (int n = 2;; ++n) {
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
            return candidate;
        }
        if (errno != EEXIST || clash == NameClash::fail || n > kMaxNumberedNames)
            throw FileError("create", candidate, errno);
        candidate = numberedFileName(path, n);
    }
}

void replaceFile(const std::filesystem::path& path, std::string_view contents)
{
    AtomicFile file(path);
    file.write(contents);
    file.replace();
}

} // namespace tarnix
