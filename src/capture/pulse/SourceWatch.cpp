#include "capture/pulse/SourceWatch.h"

#include <pulse/context.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <atomic>

namespace tarnix::pulse {

// Everything below runs on the main loop's thread, or on the owner's with the loop stopped or
// locked.
struct SourceWatch::Loop {
    pa_threaded_mainloop* mainloop = nullptr;
    pa_context* context = nullptr;
    pa_time_event* retry = nullptr;
    std::function<void()> onChange;
    std::atomic<bool> connected{false};

    pa_mainloop_api* api() const { return pa_threaded_mainloop_get_api(mainloop); }

    void connect()
    {
        context = pa_context_new(api(), "Tarnix device watch");
        pa_context_set_state_callback(context, &Loop::onState, this);
        pa_context_set_subscribe_callback(context, &Loop::onEvent, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            retryLater();
    }

    void dropContext()
    {
        if (!context)
            return;
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }

    // A failed context can't be used again: a new one is made when the timer fires (not inside
    // the old one's own callback).
    void retryLater()
    {
        if (retry)
            return;
        timeval when{};
        pa_gettimeofday(&when);
        pa_timeval_add(&when, static_cast<pa_usec_t>(kRetrySeconds * PA_USEC_PER_SEC));
        retry = api()->time_new(api(), &when, &Loop::onRetry, this);
    }

    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* data)
    {
        auto* loop = static_cast<Loop*>(data);
        api->time_free(event);
        loop->retry = nullptr;
        loop->dropContext();
        loop->connect();
    }

    static void onState(pa_context* context, void* data)
    {
        auto* loop = static_cast<Loop*>(data);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            if (pa_operation* subscribing = pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SOURCE, nullptr, nullptr))
                pa_operation_unref(subscribing);
            loop->connected = true;
            loop->onChange();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            if (loop->connected.exchange(false))
                loop->onChange(); // the server went: its sources with it
            loop->retryLater();
            break;
        default:
            break;
        }
    }

    static void onEvent(pa_context*, pa_subscription_event_type_t type, std::uint32_t, void* data)
    {
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto what = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        // A source's "change" is its state or volume (it is suspended whenever nobody listens).
        if (facility == PA_SUBSCRIPTION_EVENT_SOURCE &&
            (what == PA_SUBSCRIPTION_EVENT_NEW || what == PA_SUBSCRIPTION_EVENT_REMOVE))
            static_cast<Loop*>(data)->onChange();
    }
};

SourceWatch::SourceWatch(std::function<void()> onChange)
    : loop_(std::make_unique<Loop>())
{
    loop_->onChange = std::move(onChange);
    loop_->mainloop = pa_threaded_mainloop_new();
    pa_threaded_mainloop_lock(loop_->mainloop);
    loop_->connect();
    pa_threaded_mainloop_unlock(loop_->mainloop);
    pa_threaded_mainloop_start(loop_->mainloop);
}

SourceWatch::~SourceWatch()
{
    pa_threaded_mainloop_stop(loop_->mainloop); // joins the thread: no callback runs after this
    if (loop_->retry)
        loop_->api()->time_free(loop_->retry);
    loop_->dropContext();
    pa_threaded_mainloop_free(loop_->mainloop);
}

bool SourceWatch::isConnected() const
{
    return loop_->connected;
}

} // namespace tarnix::pulse
