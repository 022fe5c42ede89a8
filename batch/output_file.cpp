#include "output_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace quillmar::batch {

OutputFile::OutputFile(int fd, bool owned, std::string name)
    : fd_(fd), owned_(owned), name_(std::move(name)), buffer_(new char[kCapacity])
{
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0) {
        dev_ = st.st_dev;
        ino_ = st.st_ino;
        mode_ = st.st_mode;
    }
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      owned_(std::exchange(other.owned_, false)),
      name_(std::move(other.name_)),
      createdPath_(std::move(other.createdPath_)),
      buffer_(std::move(other.buffer_)),
      used_(std::exchange(other.used_, 0)),
      written_(other.written_),
      errno_(other.errno_),
      dev_(other.dev_),
      ino_(other.ino_),
      mode_(other.mode_)
{
}

OutputFile::~OutputFile()
{
    if (owned_ && fd_ >= 0)
        ::close(fd_);
}

OutputFile OutputFile::standardOutput()
{
    return OutputFile(STDOUT_FILENO, false, "standard output");
}

OutputFile OutputFile::open(const std::string& path)
{
    // Created here (O_EXCL) or there before: only a file created here is
    // removed when the run does not start.
    bool created = true, throughLink = false;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            // A symbolic link to a file not yet there: create that file.
            created = throughLink = true;
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        }
    }
    const int error = errno;
    OutputFile f(fd, fd >= 0, path);
    if (fd < 0) {
        f.errno_ = error;
    } else if (created) {
        std::error_code ec;
        f.createdPath_ = throughLink ? std::filesystem::canonical(path, ec).string() : path;
    }
    return f;
}

OutputFile OutputFile::create(const std::string& path)
{
    OutputFile f = open(path);
    f.truncate();
    return f;
}

bool OutputFile::truncate()
{
    if (owned_ && errno_ == 0 && S_ISREG(mode_) && ::ftruncate(fd_, 0) != 0)
        errno_ = errno;
    return errno_ == 0;
}

bool OutputFile::canCutBack() const
{
    struct stat null {};
    return S_ISREG(mode_) ||
           (S_ISCHR(mode_) && ::stat("/dev/null", &null) == 0 && dev_ == null.st_dev && ino_ == null.st_ino);
}

bool OutputFile::cutBackTo(std::uint64_t n)
{
    if (errno_ != 0 || !S_ISREG(mode_))
        return errno_ == 0;
    if (::ftruncate(fd_, static_cast<off_t>(n)) != 0 || ::lseek(fd_, static_cast<off_t>(n), SEEK_SET) < 0)
        errno_ = errno;
    else
        written_ = n;
    return errno_ == 0;
}

std::uint64_t OutputFile::sizeOnDisk() const
{
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool OutputFile::sync()
{
    if (flush() && S_ISREG(mode_) && ::fsync(fd_) != 0)
        errno_ = errno;
    return errno_ == 0;
}

bool OutputFile::close()
{
    flush();
    if (fd_ >= 0 && ::close(fd_) != 0 && errno != EINTR && errno_ == 0)
        errno_ = errno;
    fd_ = -1;
    return errno_ == 0;
}

void OutputFile::discard()
{
    if (owned_ && fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!createdPath_.empty())
        ::unlink(createdPath_.c_str());
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
        written_ += static_cast<std::uint64_t>(w);
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

bool OutputFile::checkReader()
{
    if (errno_ == 0 && fd_ >= 0 && (S_ISFIFO(mode_) || S_ISSOCK(mode_))) {
        // The write end of a pipe reports POLLERR once its reader has gone, a socket POLLHUP.
        pollfd p{fd_, 0, 0};
        if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLERR | POLLHUP)) != 0)
            errno_ = EPIPE;
    }
    return errno_ == 0;
}

bool OutputFile::closedPipe() const
{
    return errno_ == EPIPE;
}

bool OutputFile::sameFileAs(const OutputFile& other) const
{
    return mode_ != 0 && other.mode_ != 0 && dev_ == other.dev_ && ino_ == other.ino_ && !S_ISCHR(mode_);
}

bool OutputFile::sameFileAs(const struct stat& st) const
{
    return mode_ != 0 && dev_ == st.st_dev && ino_ == st.st_ino && !S_ISCHR(mode_);
}

bool OutputFile::regularFile() const
{
    return S_ISREG(mode_);
}

std::string OutputFile::errorText() const
{
    return std::strerror(errno_);
}

}  // namespace quillmar::batch
