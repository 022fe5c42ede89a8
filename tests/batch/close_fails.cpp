// Preloaded into quillmar-batch by batch_command_test.py: closing a file whose
// name contains "close-fails" fails with EDQUOT after closing it, as a close on
// NFS or over a quota reports data the server could not store.

#include <errno.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

extern "C" int close(int fd)
{
    char link[32], target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    const long r = ::syscall(SYS_close, fd);
    if (r != 0 || n <= 0)
        return static_cast<int>(r);
    target[n] = '\0';
    if (std::strstr(target, "close-fails") == nullptr)
        return 0;
    errno = EDQUOT;
    return -1;
}
