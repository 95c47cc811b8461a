#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

// The one way Tarnix writes a file, so that no output ever damages or replaces a file it did not
// create, and an interrupted write leaves nothing that looks like a result.
//
//   AtomicFile file(folder / "Tarnix-...-edited.mp4", NameClash::nextFreeName);
//   writer.open(file.temporaryPath());   // or file.write(bytes)
//   ...
//   std::filesystem::path published = file.publish();   // or file.replace() for our own files
//
// The constructor creates a hidden temporary in the destination's folder,
// ".<stem>.partial-XXXXXX<extension>" (the stem shortened when the name would not fit), so writers that choose a container from the extension
// still do, and a temporary left by a crash neither blocks a later name nor matches any name a
// reader looks for (isPartialFileName recognises it).
//
// publish() flushes the data to disk and moves the temporary into place without replacing
// anything (renameat2 with RENAME_NOREPLACE; on file systems without it, link + unlink; where
// neither works, an O_EXCL reservation renamed over). When the name is taken, NameClash::fail
// raises FileError with code EEXIST and NameClash::nextFreeName takes the first free name of
// "<stem>-2<ext>", "<stem>-3<ext>", ... (each try is itself atomic, so two writers racing for a
// name each get their own). replace() flushes and renames over the destination: for files the
// program owns, such as a saved document, which are then either the old or the complete new one.
// A file neither published nor replaced is removed by discard() or the destructor.
//
// Threads: none of its own. One AtomicFile belongs to one thread at a time; different objects may
// be used on different threads at once. The free functions are re-entrant.

namespace tarnix {

enum class NameClash {
    fail,         // the destination's name is taken: FileError(EEXIST)
    nextFreeName, // take "<stem>-2<ext>", "<stem>-3<ext>", ... instead
};

// A file could not be created, written or published. what() is a sentence for a person with the
// technical cause after it: "Couldn't write /a/b.png: the disk is full (errno 28: No space left
// on device)."
class FileError : public std::runtime_error {
public:
    FileError(const std::string& action, const std::filesystem::path& path, int code);
    int code() const { return code_; }                       // the errno value
    const std::filesystem::path& path() const { return path_; }

private:
    int code_;
    std::filesystem::path path_;
};

// What an errno value means for a file, in words: "the disk is full", "the folder is read-only",
// "no such folder", "a file with that name already exists", ...; strerror's text for the rest.
std::string describeFileErrno(int code);

// The technical tail of a FileError message: "errno 28: No space left on device".
std::string fileErrnoCode(int code);

class AtomicFile {
public:
    // Creates the temporary; raises FileError when the folder does not allow it.
    explicit AtomicFile(std::filesystem::path destination, NameClash clash = NameClash::fail);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    const std::filesystem::path& destination() const { return destination_; }
    const std::filesystem::path& temporaryPath() const { return temporary_; }

    // Appends bytes to the temporary. Raises FileError (ENOSPC for a full disk, ...).
    void write(std::string_view bytes);

    // Flushes and moves into place without replacing anything; returns the name it took.
    std::filesystem::path publish();
    // Flushes and renames over the destination, which the program owns.
    void replace();
    // Removes the temporary (also done by the destructor when nothing was published).
    void discard();

private:
    void flush();
    std::filesystem::path publishAt(const std::filesystem::path& name);

    std::filesystem::path destination_;
    NameClash clash_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    bool done_ = false;
};

// Writes `contents` to a new file at `path` (or its next free name) and returns where it went.
std::filesystem::path publishNewFile(const std::filesystem::path& path, std::string_view contents,
                                     NameClash clash = NameClash::fail);

// Atomically writes `contents` over `path` (a file the program owns).
void replaceFile(const std::filesystem::path& path, std::string_view contents);

// Creates an empty file at `path` (or its next free name) exclusively and returns its name: for
// files written in place over a long time, such as a recording, which must stay where the user
// finds them even if the program dies, yet must never replace another file.
std::filesystem::path reserveNewFile(const std::filesystem::path& path,
                                     NameClash clash = NameClash::nextFreeName);

// Whether a file name is one of AtomicFile's temporaries (".<stem>.partial-XXXXXX<ext>").
bool isPartialFileName(const std::filesystem::path& path);

// "<stem>-n<ext>" beside `path`, for n >= 2, shortened to fit its folder (fittedFileName).
std::filesystem::path numberedFileName(const std::filesystem::path& path, int n);

// The longest file name, in bytes, that the file system of `folder` takes (pathconf's
// _PC_NAME_MAX; 255 when it does not say).
std::size_t fileNameLimit(const std::filesystem::path& folder);

// stem + suffix, with the stem cut (never inside a UTF-8 character) so that the whole takes at
// most `limit` bytes. A suffix that alone exceeds the limit is cut the same way after the stem
// has gone. Names made from a user's long names (".NAME.partial-XXXXXX.mp4", "NAME-edited.mp4",
// "NAME-2.mp4") go through it, so that they are never refused as too long.
std::string fittedFileName(std::string_view stem, std::string_view suffix, std::size_t limit);

// folder / fittedFileName(...) with the limit of `folder`'s file system.
std::filesystem::path fittedPath(const std::filesystem::path& folder, std::string_view stem,
                                 std::string_view suffix);

} // namespace tarnix
