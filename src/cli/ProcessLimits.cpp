#include "cli/ProcessLimits.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARNIX_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TARNIX_ASAN 1
#endif

namespace tarnix::cli::ProcessLimits {

namespace {

const char* deadlineMessage = "";

void onDeadline(int)
{
    const ssize_t written = write(STDERR_FILENO, deadlineMessage, std::strlen(deadlineMessage));
    (void)written;
    _exit(1);
}

} // namespace

void setDeadline(unsigned seconds, const char* message)
{
    deadlineMessage = message;
    struct sigaction action {};
    action.sa_handler = onDeadline;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    alarm(seconds);
}

void cancelDeadline()
{
    alarm(0);
}

void limitAddressSpace(std::size_t bytes)
{
#ifndef TARNIX_ASAN
    struct rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) != 0)
        return;
    // Never raise a cap the caller already set lower.
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > bytes)
        limit.rlim_cur = bytes;
    setrlimit(RLIMIT_AS, &limit);
#else
    (void)bytes;
#endif
}

} // namespace tarnix::cli::ProcessLimits
