#include "capture/portal/PipeWireStream.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/utils/result.h>

#include <unistd.h>

#include <cstring>
#include <mutex>
#include <stdexcept>

#include "capture/CaptureClock.h"

namespace tarnix::portal {

namespace {

void initialisePipeWire()
{
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

constexpr std::size_t cursorMetaSize(int side)
{
    return sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap) + std::size_t(side) * side * 4;
}

// Producers offer one fixed size for the cursor's metadata (GNOME: room for a 384 × 384 bitmap);
// a range that misses it negotiates no metadata at all. 1024 covers HiDPI cursors at 4x.
constexpr int kLargestCursorSide = 1024;

constexpr const char* kSharingEnded = "the desktop stopped sharing the screen";

} // namespace

struct PipeWireStream::State {
    CursorHandler cursorHandler;
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    pw_registry* registry = nullptr;
    spa_hook coreListener{};
    spa_hook streamListener{};
    spa_hook registryListener{};
    std::uint32_t node = 0;
    bool streaming = false; // PipeWire's thread only
    QSize size;             // of the negotiated format; PipeWire's thread only

    mutable std::mutex mutex; // guards the three below
    QImage latest;
    std::int64_t frames = 0;
    std::optional<End> failure;

    void fail(std::string why, bool byDesktop = false)
    {
        std::lock_guard lock(mutex);
        if (!failure)
            failure = End{std::move(why), byDesktop};
    }

    void onParamChanged(std::uint32_t id, const spa_pod* param);
    void onStateChanged(pw_stream_state state, const char* error);
    void onProcess();
    void reportCursor(const spa_buffer& buffer);
    static bool hasPicture(const spa_buffer& buffer);
    void takePicture(const spa_buffer& buffer);
    void destroy();
};

void PipeWireStream::State::onParamChanged(std::uint32_t id, const spa_pod* param)
{
    if (!param || id != SPA_PARAM_Format)
        return;
    std::uint32_t mediaType = 0;
    std::uint32_t mediaSubtype = 0;
    if (spa_format_parse(param, &mediaType, &mediaSubtype) < 0 || mediaType != SPA_MEDIA_TYPE_video ||
        mediaSubtype != SPA_MEDIA_SUBTYPE_raw)
        return;
    spa_video_info_raw info{};
    if (spa_format_video_raw_parse(param, &info) < 0)
        return;
    size = QSize(int(info.size.width), int(info.size.height));

    std::uint8_t storage[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof storage);
    const spa_pod* params[4];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd) | (1 << SPA_DATA_DmaBuf))));
    params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
        SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
    params[2] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Cursor),
        SPA_PARAM_META_size,
        SPA_POD_CHOICE_RANGE_Int(int(cursorMetaSize(64)), int(cursorMetaSize(1)),
                                 int(cursorMetaSize(kLargestCursorSide)))));
    // A window cast may send its window inside a larger buffer, with the window's area as the
    // crop region (GNOME sizes window buffers to the monitor).
    params[3] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_VideoCrop),
        SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_region))));
    pw_stream_update_params(stream, params, 4);
}

void PipeWireStream::State::onStateChanged(pw_stream_state state, const char* error)
{
    if (state == PW_STREAM_STATE_ERROR)
        fail(std::string("the screen-sharing stream failed: ") + (error ? error : "unknown error"));
    else if (state == PW_STREAM_STATE_STREAMING)
        streaming = true;
    else if (state == PW_STREAM_STATE_UNCONNECTED && streaming)
        fail(kSharingEnded, true);
}

void PipeWireStream::State::onProcess()
{
    // Every queued buffer may move the cursor; only the newest picture among them is copied.
    pw_buffer* picture = nullptr;
    while (pw_buffer* next = pw_stream_dequeue_buffer(stream)) {
        reportCursor(*next->buffer);
        if (!hasPicture(*next->buffer)) {
            pw_stream_queue_buffer(stream, next);
            continue;
        }
        if (picture)
            pw_stream_queue_buffer(stream, picture);
        picture = next;
    }
    if (!picture)
        return;
    takePicture(*picture->buffer);
    pw_stream_queue_buffer(stream, picture);
}

void PipeWireStream::State::reportCursor(const spa_buffer& buffer)
{
    if (!cursorHandler)
        return;
    auto* cursor = static_cast<spa_meta_cursor*>(
        spa_buffer_find_meta_data(&buffer, SPA_META_Cursor, sizeof(spa_meta_cursor)));
    if (cursor && spa_meta_cursor_is_valid(cursor))
        cursorHandler(QPoint(cursor->position.x, cursor->position.y), CaptureClock::now());
}

bool PipeWireStream::State::hasPicture(const spa_buffer& buffer)
{
    auto* header = static_cast<spa_meta_header*>(spa_buffer_find_meta_data(&buffer, SPA_META_Header, sizeof(spa_meta_header)));
    if (header && (header->flags & SPA_META_HEADER_FLAG_CORRUPTED))
        return false;
    if (buffer.n_datas < 1)
        return false;
    const spa_data& data = buffer.datas[0];
    // A buffer without a picture carries only a cursor update; an unmappable DMA-BUF has none
    // we could read.
    return data.data && data.chunk && data.chunk->size > 0 && !(data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED);
}

namespace {

// The part of a picture the producer means: its crop region where it sends a sensible one.
QRect pictureArea(const spa_buffer& buffer, QSize size)
{
    const QRect whole(QPoint(0, 0), size);
    auto* crop = static_cast<spa_meta_region*>(spa_buffer_find_meta_data(&buffer, SPA_META_VideoCrop, sizeof(spa_meta_region)));
    if (!crop || !spa_meta_region_is_valid(crop))
        return whole;
    const QRect region(int(crop->region.position.x), int(crop->region.position.y), int(crop->region.size.width),
                       int(crop->region.size.height));
    return whole.contains(region) ? region : whole;
}

} // namespace

void PipeWireStream::State::takePicture(const spa_buffer& buffer)
{
    if (size.isEmpty())
        return;
    const spa_data& data = buffer.datas[0];
    const std::int64_t stride = data.chunk->stride > 0 ? data.chunk->stride : std::int64_t(size.width()) * 4;
    const std::int64_t rowBytes = std::int64_t(size.width()) * 4;
    const std::int64_t offset = data.chunk->offset % std::max<std::uint32_t>(data.maxsize, 1);
    // Never read past what the producer mapped, whatever its chunk says.
    if (stride < rowBytes || offset + stride * (size.height() - 1) + rowBytes > std::int64_t(data.maxsize))
        return;
    const QRect area = pictureArea(buffer, size);
    QImage image(area.size(), QImage::Format_RGB32);
    if (image.isNull())
        return;
    const auto* source = static_cast<const std::uint8_t*>(data.data) + offset + stride * area.y() + 4 * area.x();
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(image.scanLine(y), source + stride * y, std::size_t(area.width()) * 4);
    std::lock_guard lock(mutex);
    latest = std::move(image);
    ++frames;
}

void PipeWireStream::State::destroy()
{
    if (loop)
        pw_thread_loop_stop(loop);
    if (registry) {
        spa_hook_remove(&registryListener);
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry));
    }
    if (stream)
        pw_stream_destroy(stream);
    if (core)
        pw_core_disconnect(core);
    if (context)
        pw_context_destroy(context);
    if (loop)
        pw_thread_loop_destroy(loop);
    registry = nullptr;
    stream = nullptr;
    core = nullptr;
    context = nullptr;
    loop = nullptr;
}

namespace {

const pw_stream_events kStreamEvents = [] {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = [](void* data, pw_stream_state, pw_stream_state state, const char* error) {
        static_cast<PipeWireStream::State*>(data)->onStateChanged(state, error);
    };
    events.param_changed = [](void* data, std::uint32_t id, const spa_pod* param) {
        static_cast<PipeWireStream::State*>(data)->onParamChanged(id, param);
    };
    events.process = [](void* data) { static_cast<PipeWireStream::State*>(data)->onProcess(); };
    return events;
}();

// The cast's node leaving the remote is the desktop ending the cast; the stream itself only
// pauses then.
const pw_registry_events kRegistryEvents = [] {
    pw_registry_events events{};
    events.version = PW_VERSION_REGISTRY_EVENTS;
    events.global_remove = [](void* data, std::uint32_t id) {
        auto* state = static_cast<PipeWireStream::State*>(data);
        if (id == state->node)
            state->fail(kSharingEnded, true);
    };
    return events;
}();

const pw_core_events kCoreEvents = [] {
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    events.error = [](void* data, std::uint32_t id, int, int res, const char* message) {
        if (id == PW_ID_CORE && res == -EPIPE)
            static_cast<PipeWireStream::State*>(data)->fail(
                std::string("the connection to PipeWire was lost") + (message ? std::string(" (") + message + ")" : ""));
    };
    return events;
}();

} // namespace

PipeWireStream::PipeWireStream(int remoteFd, std::uint32_t node, CursorHandler cursorHandler)
    : state_(std::make_unique<State>())
{
    initialisePipeWire();
    State& s = *state_;
    s.cursorHandler = std::move(cursorHandler);
    s.loop = pw_thread_loop_new("tarnix-screencast", nullptr);
    if (!s.loop) {
        close(remoteFd);
        throw std::runtime_error("couldn't start PipeWire's thread");
    }
    s.context = pw_context_new(pw_thread_loop_get_loop(s.loop), nullptr, 0);
    if (!s.context) {
        close(remoteFd);
        s.destroy();
        throw std::runtime_error("couldn't create a PipeWire context");
    }
    // From here on PipeWire owns the descriptor.
    s.core = pw_context_connect_fd(s.context, remoteFd, nullptr, 0);
    if (!s.core) {
        s.destroy();
        throw std::runtime_error("couldn't connect to the desktop's PipeWire remote");
    }
    pw_core_add_listener(s.core, &s.coreListener, &kCoreEvents, &s);
    s.node = node;
    s.registry = pw_core_get_registry(s.core, PW_VERSION_REGISTRY, 0);
    if (!s.registry) {
        s.destroy();
        throw std::runtime_error("couldn't watch the desktop's PipeWire remote");
    }
    pw_registry_add_listener(s.registry, &s.registryListener, &kRegistryEvents, &s);
    s.stream = pw_stream_new(s.core, "Tarnix screen",
                             pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                               PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    if (!s.stream) {
        s.destroy();
        throw std::runtime_error("couldn't create a PipeWire stream");
    }
    pw_stream_add_listener(s.stream, &s.streamListener, &kStreamEvents, &s);

    std::uint8_t storage[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof storage);
    spa_rectangle defaultSize = SPA_RECTANGLE(1920, 1080);
    spa_rectangle minimumSize = SPA_RECTANGLE(1, 1);
    spa_rectangle maximumSize = SPA_RECTANGLE(16384, 16384);
    spa_fraction defaultRate = SPA_FRACTION(60, 1);
    spa_fraction minimumRate = SPA_FRACTION(0, 1);
    spa_fraction maximumRate = SPA_FRACTION(1000, 1);
    const spa_pod* params[1];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(3, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minimumSize, &maximumSize),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&defaultRate, &minimumRate, &maximumRate)));
    const int result = pw_stream_connect(s.stream, PW_DIRECTION_INPUT, node,
                                         pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
                                         params, 1);
    if (result < 0) {
        s.destroy();
        throw std::runtime_error(std::string("couldn't connect to the screen-sharing stream: ") + spa_strerror(result));
    }
    if (pw_thread_loop_start(s.loop) < 0) {
        s.destroy();
        throw std::runtime_error("couldn't start PipeWire's thread");
    }
}

PipeWireStream::~PipeWireStream()
{
    state_->destroy();
}

QImage PipeWireStream::latest() const
{
    std::lock_guard lock(state_->mutex);
    return state_->latest;
}

std::int64_t PipeWireStream::frameCount() const
{
    std::lock_guard lock(state_->mutex);
    return state_->frames;
}

std::optional<PipeWireStream::End> PipeWireStream::failure() const
{
    std::lock_guard lock(state_->mutex);
    return state_->failure;
}

} // namespace tarnix::portal
