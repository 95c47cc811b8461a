#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

// The error value of the media engine and the compositor: a domain and code like a platform error,
// a user-facing description, an optional failure reason and an optional underlying error.

namespace tarnix::media {

struct MediaError {
    std::string domain;      // "FFmpeg", "Tarnix.Export", "CompositorError", ...
    int code = 0;
    std::string description; // one sentence a person understands
    std::optional<std::string> failureReason;
    std::shared_ptr<const MediaError> underlying;
};

// "description (domain code)", then the failure reason, then "underlying: description (domain
// code)" of the underlying error, joined with " — ".
std::string describe(const MediaError& error);

// A MediaException described as above; any other exception by its what().
std::string describe(const std::exception& error);

// MediaError as an exception, for code paths that throw.
class MediaException : public std::runtime_error {
public:
    explicit MediaException(MediaError error)
        : std::runtime_error(error.description)
        , error_(std::move(error))
    {
    }
    const MediaError& error() const { return error_; }

private:
    MediaError error_;
};

} // namespace tarnix::media
