#include "checkpoint.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "random_source.h"

namespace quillmar::batch {

namespace {

constexpr std::string_view kMagic = "QMBATCK1";  // quillmar-batch checkpoint, layout 1

static_assert(std::endian::native == std::endian::little, "checkpoints are written little-endian");

// A 64-bit checksum: splitmix64 over the bytes, eight at a time.
std::uint64_t checksum(std::string_view bytes)
{
    std::uint64_t h = bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        h = splitmix64(h ^ w);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
    return splitmix64(h ^ tail ^ 0x80);
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t w = ::write(fd, bytes.data(), bytes.size());
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(w));
    }
    return true;
}

}  // namespace

CheckpointWriter::CheckpointWriter() : bytes_(kMagic) {}

void CheckpointWriter::u64(std::uint64_t n)
{
    bytes_.append(reinterpret_cast<const char*>(&n), sizeof n);
}

void CheckpointWriter::f64(double d)
{
    u64(std::bit_cast<std::uint64_t>(d));
}

void CheckpointWriter::text(std::string_view s)
{
    u64(s.size());
    bytes_.append(s);
}

void CheckpointWriter::floats(std::span<const float> v)
{
    bytes_.append(reinterpret_cast<const char*>(v.data()), v.size_bytes());
}

void CheckpointWriter::counts(std::span<const std::uint64_t> v)
{
    bytes_.append(reinterpret_cast<const char*>(v.data()), v.size_bytes());
}

std::string CheckpointWriter::finish()
{
    std::string file = std::move(bytes_);
    const std::uint64_t sum = checksum(file);
    file.append(reinterpret_cast<const char*>(&sum), sizeof sum);
    bytes_ = kMagic;
    return file;
}

std::optional<CheckpointReader> CheckpointReader::open(std::string_view file)
{
    if (file.size() < kMagic.size() + 8 || !file.starts_with(kMagic))
        return std::nullopt;
    const std::string_view body = file.substr(0, file.size() - 8);
    std::uint64_t sum;
    std::memcpy(&sum, file.data() + body.size(), 8);
    if (sum != checksum(body))
        return std::nullopt;
    return CheckpointReader(body.substr(kMagic.size()));
}

bool CheckpointReader::take(void* to, std::size_t n)
{
    if (!ok_ || bytes_.size() < n) {
        ok_ = false;
        std::memset(to, 0, n);
        return false;
    }
    std::memcpy(to, bytes_.data(), n);
    bytes_.remove_prefix(n);
    return true;
}

std::uint64_t CheckpointReader::u64()
{
    std::uint64_t n;
    take(&n, sizeof n);
    return n;
}

double CheckpointReader::f64()
{
    return std::bit_cast<double>(u64());
}

std::string CheckpointReader::text()
{
    const std::uint64_t n = u64();
    if (!ok_ || n > bytes_.size()) {
        ok_ = false;
        return {};
    }
    std::string s(bytes_.substr(0, n));
    bytes_.remove_prefix(n);
    return s;
}

void CheckpointReader::floats(std::span<float> v)
{
    take(v.data(), v.size_bytes());
}

void CheckpointReader::counts(std::span<std::uint64_t> v)
{
    take(v.data(), v.size_bytes());
}

bool writeAtomically(const std::string& path, std::string_view bytes, std::string& error)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    int failure = writeAll(fd, bytes) && ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        error = std::strerror(failure);
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with its directory.
    const std::string directory = std::filesystem::path(path).parent_path().string();
    const int dir = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace quillmar::batch
