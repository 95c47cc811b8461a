#pragma once

#include "document/CutRegions.h"

// How the Studio's playhead, which lives in recording (source) time like the timeline under it,
// meets a preview player that plays the edited movie (the kept spans one after another). Pure
// functions; any thread.

namespace tarnix::CutPlayback {

// Where the player must seek to show recording time t: its moment in the movie; inside a cut, the
// frame just after the cut; inside a trimmed end, the movie's last frame (frameDuration before
// its end, so that a frame is there to show).
double playerTime(const KeptTime& kept, double sourceTime, double frameDuration);

// The playhead after the player reports `playerTime`. Playing, it is the recording time shown,
// which jumps over every cut. Paused, a playhead the user parked inside a cut stays where it was
// put as long as the report is the one its own seek produced; any other report moves it.
double playhead(const KeptTime& kept, double playerTime, double currentSourceTime, bool playing,
                double frameDuration);

// The recording time `delta` seconds of movie away from t (the transport's back and forward
// buttons step through what will be watched), held within the movie.
double stepped(const KeptTime& kept, double sourceTime, double delta);

// The movie's time at recording time t (for the transport's "0:12 / 1:05").
double movieTime(const KeptTime& kept, double sourceTime);

} // namespace tarnix::CutPlayback
