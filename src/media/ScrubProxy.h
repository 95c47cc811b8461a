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

// Writes the proxy to `path` through a temporary beside it, renamed when whole. False when
// `cancel` was set or the movie could not be read; nothing is left behind then. Slow (it decodes
// the whole movie): for a background thread.
bool makeScrubProxy(const AssetTrack& track, const std::filesystem::path& path,
                    const std::atomic<bool>& cancel);

// Keeps the proxies in `folder` within `bytes`: the least recently written go first (a proxy of
// a movie that changed or went away is never used again).
constexpr std::uintmax_t kScrubProxyFolderBytes = std::uintmax_t(2) << 30;
void trimScrubProxies(const std::filesystem::path& folder, std::uintmax_t bytes);

} // namespace tarnix::media
