#pragma once

#include <gtest/gtest.h>

#include <QFuture>
#include <QPromise>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "compositing/CompositionBuilder.h"
#include "document/RecordingTimeline.h"
#include "media/MediaTestSupport.h"
#include "studio/StudioPlayer.h"
#include "studio/StudioSession.h"
#include "support/ServiceHelpers.h"

// A generated recording (screen with system audio, camera, microphone, cursor and clicks) and
// scripted stand-ins for the player and the composition builder, so that the model's rules can be
// driven step by step.

namespace tarnix::test {

struct GeneratedRecording {
    RecordingTimeline timeline;
    std::filesystem::path documentPath;
};

// Writes screen.mp4 (testsrc2 with a 440 Hz tone), camera.mov, mic.m4a and the document
// screen.tarnix.json into `folder`. Two zoom regions, one blur region, three clicks (press and
// release each), a gradient background and the camera bubble on. The screen has `fps` frames a
// second.
GeneratedRecording makeRecording(const std::filesystem::path& folder, double seconds = 3.0,
                                 int width = 640, int height = 360, int fps = 30);

// A player that does what it is told and records it; tick() plays the part of the time observer.
class ScriptedPlayer final : public StudioPlayer {
public:
    void replaceCurrentItem(const CompositionBuilder::Result& item) override
    {
        items.push_back(item);
    }
    double currentTime() const override { return time; }
    void seek(double seconds) override
    {
        seeks.push_back(seconds);
        time = seconds;
    }
    void play() override { ++plays; }
    void pause() override { ++pauses; }
    void setObservers(Observers o) override { observers = std::move(o); }

    void tick(double seconds)
    {
        time = seconds;
        if (observers.time)
            observers.time(seconds);
    }

    std::vector<CompositionBuilder::Result> items;
    std::vector<double> seeks;
    double time = 0;
    int plays = 0;
    int pauses = 0;
    Observers observers;
};

// A builder whose builds finish when the test says so.
class ScriptedBuilder {
public:
    QFuture<CompositionBuilder::Result> operator()(RecordingTimeline input,
                                                   int frameRate = media::kStandardFrameRate)
    {
        auto promise = std::make_shared<QPromise<CompositionBuilder::Result>>();
        promise->start();
        inputs.push_back(std::move(input));
        frameRates.push_back(frameRate);
        promises.push_back(promise);
        return promise->future();
    }
    StudioPlayback::Builder function()
    {
        return [this](RecordingTimeline in, int frameRate) { return (*this)(std::move(in), frameRate); };
    }

    // Completes build i with a real build of its input, or with the error.
    void succeed(std::size_t i)
    {
        promises.at(i)->addResult(CompositionBuilder::build(inputs.at(i), {}, frameRates.at(i)));
        promises.at(i)->finish();
    }
    void fail(std::size_t i, const std::string& message)
    {
        promises.at(i)->setException(std::make_exception_ptr(std::runtime_error(message)));
        promises.at(i)->finish();
    }
    bool isCanceled(std::size_t i) const { return promises.at(i)->isCanceled(); }
    std::size_t count() const { return promises.size(); }

    std::vector<RecordingTimeline> inputs;
    std::vector<int> frameRates;
    std::vector<std::shared_ptr<QPromise<CompositionBuilder::Result>>> promises;
};

// Edits as the Studio's views do: the live state changed, then committed. commit()'s answer.
inline bool commitEdit(StudioSession& session, const std::function<void(StudioEditState&)>& change)
{
    StudioEditState next = session.editState();
    change(next);
    session.setLiveEditState(std::move(next));
    return session.commit();
}

// Lets queued calls and watcher signals through until `until` holds (at most 20 s).
inline bool waitFor(const std::function<bool()>& until, double seconds = 20)
{
    return processEventsUntil(seconds, until);
}

// Where the UI tests save their screenshots.
std::filesystem::path screenshotFolder();

} // namespace tarnix::test
