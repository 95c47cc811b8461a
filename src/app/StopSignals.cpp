#include "app/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <initializer_list>

namespace tarnix::StopSignals {

namespace {

volatile std::sig_atomic_t received = 0;
int wakePipe[2] = {-1, -1};
int pausePipe[2] = {-1, -1};

extern "C" void onStopSignal(int number)
{
    if (received == 0)
        received = number;
    const char byte = 1;
    [[maybe_unused]] auto ignored = write(wakePipe[1], &byte, 1);
}

extern "C" void onPauseSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] auto ignored = write(pausePipe[1], &byte, 1);
}

} // namespace

void install()
{
    if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        wakePipe[0] = wakePipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool requested() { return received != 0; }

const char* name()
{
    switch (received) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return nullptr;
    }
}

int descriptor() { return wakePipe[0]; }

void installPause()
{
    if (pausePipe[0] < 0 && pipe2(pausePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onPauseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
}

int pauseDescriptor() { return pausePipe[0]; }

int takePauseRequests()
{
    int count = 0;
    char buffer[16];
    ssize_t n = 0;
    while (pausePipe[0] >= 0 && (n = read(pausePipe[0], buffer, sizeof buffer)) > 0)
        count += int(n);
    return count;
}

void drain()
{
    char buffer[16];
    while (wakePipe[0] >= 0 && read(wakePipe[0], buffer, sizeof buffer) > 0) {
    }
}

} // namespace tarnix::StopSignals
