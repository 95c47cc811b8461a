#include "media/FrameRequest.h"

namespace tarnix::media {

static MediaError noFrame(std::string reason)
{
    return MediaError{"Tarnix.Export", 4, "A frame couldn't be rendered.", std::move(reason),
                      nullptr};
}

ComposedFrame composeFrame(VideoCompositing& compositor, double time,
                           std::shared_ptr<const VideoCompositionInstruction> instruction,
                           const std::map<TrackID, QImage>& sources)
{
    FrameRequest request(time, std::move(instruction), sources);
    compositor.startRequest(request);
    if (!request.finished())
        return {QImage(), noFrame("The compositor returned no frame.")};
    if (request.error())
        return {QImage(), request.error()};
    QImage frame = std::move(request.frame());
    if (frame.isNull())
        return {QImage(), noFrame("The compositor returned an empty frame.")};
    if (frame.format() != QImage::Format_ARGB32_Premultiplied)
        frame.convertTo(QImage::Format_ARGB32_Premultiplied);
    return {std::move(frame), std::nullopt};
}

} // namespace tarnix::media
