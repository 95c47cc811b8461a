#include "capture/CameraRecorder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <QImage>

#include "capture/CaptureClock.h"
#include "capture/CaptureError.h"
#include "capture/CaptureMessages.h"
#include "capture/OutputFiles.h"
#include "capture/PropertyValues.h"
#include "capture/v4l2/V4l2Devices.h"
#include "media/FFmpegSupport.h"
#include "media/MovieWriter.h"

namespace tarnix {

void CameraDeviceProvider::refresh(const std::string& folder)
{
    const auto listing = v4l2::listCameras(folder);
    devices_.clear();
    if (listing.cameras.empty() && listing.accessDenied) {
        emit devicesChanged();
        setErrorMessage(CaptureMessages::text(CaptureMessages::kCameraAccessNotGranted));
        return;
    }
    for (const auto& camera : listing.cameras)
        devices_.push_back({camera.path, camera.name, "video4linux2"});
    emit devicesChanged();
    setErrorMessage(std::nullopt);
}

// The opened device: demuxer, decoder and the converter to BGRA.
struct CameraRecorder::Input {
    CameraDevice device;
    AVFormatContext* format = nullptr;
    AVCodecContext* decoder = nullptr;
    int streamIndex = -1;
    double frameRate = 30;

    ~Input()
    {
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
    }
};

CameraRecorder::CameraRecorder(QObject* parent)
    : DeviceFileRecorder(CaptureMessages::cameraRecordingFailed, OutputFiles::kCameraPrefix, ".mov",
                         parent)
{
}

CameraRecorder::~CameraRecorder()
{
    stopSession();
    file_.finish();
}

bool CameraRecorder::isSessionRunning() const
{
    return sessionRunning_;
}

bool CameraRecorder::hasInput() const
{
    return input_ != nullptr;
}

void CameraRecorder::configure(const CameraDevice& device)
{
    stopSession();
    input_.reset();
    static std::once_flag registered;
    std::call_once(registered, [] { avdevice_register_all(); });
    auto input = std::make_unique<Input>();
    input->device = device;
    const AVInputFormat* format = av_find_input_format(device.inputFormat.c_str());
    if (!format)
        throw CameraError(CameraError::Code::cannotAddInput);
    int code = avformat_open_input(&input->format, device.uniqueID.c_str(), format, nullptr);
    if (code < 0)
        throw CaptureError(device.uniqueID + ": " + media::ff::errorText(code));
    if ((code = avformat_find_stream_info(input->format, nullptr)) < 0)
        throw CaptureError(media::ff::errorText(code));
    const AVCodec* codec = nullptr;
    input->streamIndex = av_find_best_stream(input->format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (input->streamIndex < 0 || !codec)
        throw CameraError(CameraError::Code::cannotAddInput);
    AVStream* stream = input->format->streams[input->streamIndex];
    input->decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(input->decoder, stream->codecpar);
    if ((code = avcodec_open2(input->decoder, codec, nullptr)) < 0)
        throw CaptureError(media::ff::errorText(code));
    if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0)
        input->frameRate = av_q2d(stream->avg_frame_rate);
    input_ = std::move(input);
}

void CameraRecorder::startPreview()
{
    if (!input_ || sessionRunning_)
        return;
    if (session_.joinable())
        session_.join();
    stopSession_ = false;
    sessionRunning_ = true;
    session_ = std::thread([this] { runSession(); });
}

void CameraRecorder::stopSession()
{
    stopSession_ = true;
    if (session_.joinable())
        session_.join();
    sessionRunning_ = false;
}

void CameraRecorder::runSession()
{
    Input& in = *input_;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* scaler = nullptr;
    const AVRational timeBase = in.format->streams[in.streamIndex]->time_base;
    std::optional<double> firstPts;
    const double sessionStart = CaptureClock::now();
    while (!stopSession_) {
        if (av_read_frame(in.format, packet) < 0)
            break;
        if (packet->stream_index != in.streamIndex || avcodec_send_packet(in.decoder, packet) < 0) {
            av_packet_unref(packet);
            continue;
        }
        av_packet_unref(packet);
        while (avcodec_receive_frame(in.decoder, frame) == 0) {
            // Generated inputs come as fast as they can be made: hold them to their own clock.
            if (frame->pts != AV_NOPTS_VALUE) {
                const double pts = frame->pts * av_q2d(timeBase);
                if (!firstPts)
                    firstPts = pts;
                const double due = sessionStart + (pts - *firstPts) - CaptureClock::now();
                if (due > 0 && due < 1)
                    std::this_thread::sleep_for(std::chrono::duration<double>(due));
            }
            ++framesSeen_;
            // A picture taken while paused is not written; the next one closes the gap.
            const std::optional<double> recorded = pauses_->recordedTime(CaptureClock::now());
            if (!recorded)
                continue;
            file_.write([&](media::MovieWriter& writer, double startTime) {
                QImage image = media::ff::imageForScaler(frame->width, frame->height, QImage::Format_RGB32);
                scaler = sws_getCachedContext(scaler, frame->width, frame->height,
                                              static_cast<AVPixelFormat>(frame->format), frame->width,
                                              frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr,
                                              nullptr, nullptr);
                if (!scaler || image.isNull())
                    return;
                std::uint8_t* planes[1] = {image.bits()};
                const int strides[1] = {static_cast<int>(image.bytesPerLine())};
                sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
                writer.writeVideo(image, *recorded - startTime);
            });
        }
    }
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    sessionRunning_ = false;
}

void CameraRecorder::start()
{
    if (isRecording() || !input_)
        return;
    media::MovieVideoSettings video;
    video.width = input_->decoder->width;
    video.height = input_->decoder->height;
    video.frameRate = input_->frameRate;
    video.encoders = {"libx264"};
    media::MovieWriterSettings settings;
    settings.video = video;
    startFile(std::move(settings));
}

void CameraRecorder::teardown()
{
    if (isRecording())
        return; // a recording in progress keeps the camera
    stopSession();
    input_.reset();
}

} // namespace tarnix
