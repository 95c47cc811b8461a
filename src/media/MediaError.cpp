#include "media/MediaError.h"

namespace tarnix::media {

static std::string withDomainAndCode(const MediaError& error)
{
    return error.description + " (" + error.domain + " " + std::to_string(error.code) + ")";
}

std::string describe(const MediaError& error)
{
    std::string text = withDomainAndCode(error);
    if (error.failureReason)
        text += " — " + *error.failureReason;
    if (error.underlying)
        text += " — underlying: " + withDomainAndCode(*error.underlying);
    return text;
}

std::string describe(const std::exception& error)
{
    if (auto* media = dynamic_cast<const MediaException*>(&error))
        return describe(media->error());
    return error.what();
}

} // namespace tarnix::media
