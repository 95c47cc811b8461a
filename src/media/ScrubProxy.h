#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>

#include "media/MediaAsset.h"

// A small picture-only copy of a screen movie for seeking and scrubbing: 640 pixels wide, at most
// 15 pictures a second, each a key frame (H.264), so any of them decodes at once where the movie
// itself decodes from its last key frame. It lives in a cache folder under a name made from the movie's path, size
// and modification time: a changed movie never meets the copy of its old self, and the movie's
// own folder is never written to.

namespace tarnix::media {

constexpr int kScrubProxyWidth = 640;

// Whether a video track is worth a proxy: one at least twice as wide.
bool wantsScrubProxy(const AssetTrack& track);

// Where the proxy of `track` belongs inside `folder` (by default the user's cache folder).
// Empty when the movie cannot be looked at.
std::filesystem::path scrubProxyPath(const AssetTrack& track, const std::filesystem::path& folder);
std::filesystem::path defaultScrubProxyFolder();

enum class ScrubProxyResult {
    made,    // written by this call
    present, // already there
    busy,    // another maker (this process or another) is writing it
    failed,  // cancelled, or the movie could not be read: nothing is left behind
};

// Writes the proxy to `path` through `path`.part, locked while it is written (flock, so a maker
// that was killed leaves no lock), renamed when whole. One maker at a time per proxy: a second one
// finds the lock held and returns `busy`; a `.part` left by a killed maker is started over. Beside
// the proxy, `path`.movie names the movie, so that the proxy goes when its movie does. Slow (it
// decodes the whole movie): for a background thread.
ScrubProxyResult makeScrubProxy(const AssetTrack& track, const std::filesystem::path& path,
                                const std::atomic<bool>& cancel);

// Tidies `folder`: a proxy whose movie was deleted or changed goes (it would never be used again),
// as does a `.part` nobody is writing; then the least recently written proxies go until the
// rest fit in `bytes`.
constexpr std::uintmax_t kScrubProxyFolderBytes = std::uintmax_t(2) << 30;
void trimScrubProxies(const std::filesystem::path& folder, std::uintmax_t bytes);

} // namespace tarnix::media
