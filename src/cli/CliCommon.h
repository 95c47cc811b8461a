#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/RecordingTimeline.h"

class QGuiApplication;

// Shared pieces of tarnix-cli's commands.

namespace tarnix::cli {

// Exit codes: 0 success, 1 the work failed, 2 bad usage or unreadable input.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A command's arguments after the command name.
using Arguments = std::vector<std::string>;

// Misuse of a command; main prints the message and the usage text and exits with kExitUsage.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An input that cannot be used (unreadable file, bad document); printed, exit kExitUsage.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads and decodes a document; raises InputError naming the file and what is wrong.
RecordingTimeline loadDocument(const std::filesystem::path& path);

// Text (the text boxes, the keystroke pill) is drawn with the desktop's fonts, which a
// QGuiApplication loads. While one of these lives, a document that shows text has an application
// on the offscreen platform (no window, no display needed), unless one exists already.
class TextDrawing {
public:
    explicit TextDrawing(const RecordingTimeline& timeline);
    ~TextDrawing();
    TextDrawing(const TextDrawing&) = delete;
    TextDrawing& operator=(const TextDrawing&) = delete;

private:
    int argc_ = 3;
    char name_[11] = "tarnix-cli";
    char option_[10] = "-platform";
    char platform_[10] = "offscreen";
    char* argv_[4] = {name_, option_, platform_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

// The largest document read: far beyond any recording's samples, small enough to decode.
inline constexpr long long kMaxDocumentBytes = 256LL << 20;

// Reads a whole file; raises InputError when it cannot, when it is not a regular file (a FIFO or
// a device is refused at once) or when it is larger than kMaxDocumentBytes.
std::string readFile(const std::filesystem::path& path);

// A finite number written as a command-line argument; raises UsageError otherwise.
double parseNumber(const std::string& text, const std::string& what);

// Shortest text that reads back as the same double.
std::string formatNumber(double value);

} // namespace tarnix::cli
