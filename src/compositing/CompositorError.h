#pragma once

#include <string>

#include "media/MediaError.h"

// The two ways a compositor request can fail, as seen by the player and the exporter.

namespace tarnix {

enum class CompositorError {
    missingFrame,   // wrong instruction type or no screen frame
    noRenderBuffer, // no render context yet, or it gave no output buffer
};

// The user-facing sentence of the error.
std::string description(CompositorError error);

// As a media error with domain "CompositorError" and the case's index as its code.
media::MediaError toMediaError(CompositorError error);

} // namespace tarnix
