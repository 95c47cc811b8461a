#pragma once

#include <QImage>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>
#include <string>

// Consumes one video node of a PipeWire remote (the connection the ScreenCast portal opened for
// us) on PipeWire's own thread. The producer sends a picture only when the screen changed; the
// last one is kept, so a reader polling at its own rate sees the screen as it stands.
//
// Buffers are shared memory (MemFd, MemPtr) or mappable DMA-BUFs, in BGRx or BGRA: the layout
// the encoder path takes as it is. The stream's cursor metadata, where the producer sends it,
// is reported as positions in the picture's pixels, from every buffer that carries it (a
// pointer-only move comes as a buffer with the metadata and no picture).
//
// The desktop ends a cast by removing its node (its stop control, the session closed, the
// compositor gone); the stream then reports an end by the desktop.
//
// Threads: latest() and failure() may be called from any thread; the cursor handler runs on
// PipeWire's thread.

namespace tarnix::portal {

class PipeWireStream {
public:
    // A cursor position in the picture's pixels (top-left origin) and its CaptureClock time.
    using CursorHandler = std::function<void(QPoint position, double time)>;

    // Takes ownership of `remoteFd` (closed in every case). Raises std::runtime_error when the
    // remote or the stream cannot be set up.
    PipeWireStream(int remoteFd, std::uint32_t node, CursorHandler cursorHandler = {});
    ~PipeWireStream(); // disconnects and stops the thread; no handler call runs afterwards
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    // The last complete picture (Format_RGB32 layout, never written again); null before the
    // first one.
    QImage latest() const;
    // Pictures received so far.
    std::int64_t frameCount() const;
    // How the stream ended; nothing while it runs.
    struct End {
        std::string why;     // for the user
        bool byDesktop;      // the desktop stopped sharing (not a fault of the stream)
    };
    std::optional<End> failure() const;

    struct State; // PipeWire's callbacks reach it

private:
    std::unique_ptr<State> state_;
};

} // namespace tarnix::portal
