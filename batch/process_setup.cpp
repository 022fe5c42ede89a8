#include "process_setup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <initializer_list>
#include <new>

namespace quillmar::batch {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int signal)
{
    stopSignal = signal;
}

// Allocates nothing: it runs when nothing more can be allocated.
void outOfMemory()
{
    static constexpr char kLine[] = "quillmar-batch: out of memory\n";
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kLine, sizeof kLine - 1);
    std::_Exit(1);
}

}  // namespace

void openClosedStandardDescriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is `fd` itself, the ones below being open.
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

void exitOnOutOfMemory()
{
    std::set_new_handler(outOfMemory);
}

const volatile std::sig_atomic_t* catchStopSignals()
{
    struct sigaction stop {};
    stop.sa_handler = onStopSignal;
    sigemptyset(&stop.sa_mask);
    // A second signal takes its default action: a run stuck on a blocked
    // output can still be ended.
    stop.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // An ignored signal stays ignored, as the shell asks of a background
        // job (SIGINT) or nohup (SIGHUP).
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            sigaction(signal, &stop, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return &stopSignal;
}

void endBySignal(int signal)
{
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace quillmar::batch
