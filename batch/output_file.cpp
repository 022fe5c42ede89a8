#include "output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <utility>

namespace quillmar::batch {

OutputFile::OutputFile(int fd, bool owned, std::string name)
    : fd_(fd), owned_(owned), name_(std::move(name)), buffer_(new char[kCapacity])
{
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      owned_(std::exchange(other.owned_, false)),
      name_(std::move(other.name_)),
      buffer_(std::move(other.buffer_)),
      used_(std::exchange(other.used_, 0)),
      errno_(other.errno_)
{
}

OutputFile::~OutputFile()
{
    if (owned_)
        ::close(fd_);
}

OutputFile OutputFile::standardOutput()
{
    return OutputFile(STDOUT_FILENO, false, "standard output");
}

OutputFile OutputFile::create(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    OutputFile f(fd, fd >= 0, path);
    if (fd < 0)
        f.errno_ = errno;
    return f;
}

void OutputFile::writeSlow(std::string_view s)
{
    flush();
    if (s.size() < kCapacity) {
        write(s);
        return;
    }
    writeOut(s.data(), s.size());
}

void OutputFile::writeOut(const char* p, std::size_t n)
{
    while (n > 0 && errno_ == 0) {
        const ssize_t w = ::write(fd_, p, n);
        if (w < 0) {
            if (errno != EINTR)
                errno_ = errno;
            continue;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

bool OutputFile::flush()
{
    writeOut(buffer_.get(), used_);
    used_ = 0;
    return errno_ == 0;
}

OutputFile::Row& OutputFile::Row::add(std::uint64_t n)
{
    separate();
    p_ = std::to_chars(p_, end_, n).ptr;
    return *this;
}

OutputFile::Row& OutputFile::Row::add(double d)
{
    separate();
    p_ = std::to_chars(p_, end_, d).ptr;
    return *this;
}

OutputFile::Row& OutputFile::Row::add15(double d)
{
    separate();
    p_ = std::to_chars(p_, end_, d, std::chars_format::general, 15).ptr;
    return *this;
}

void OutputFile::Row::end()
{
    *p_++ = '\n';
    out_.commit(p_);
}

bool OutputFile::closedPipe() const
{
    return errno_ == EPIPE;
}

std::string OutputFile::errorText() const
{
    return std::strerror(errno_);
}

}  // namespace quillmar::batch
