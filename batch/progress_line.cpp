#include "progress_line.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace quillmar::batch {

std::string ProgressLine::text(std::uint64_t from, std::uint64_t done, std::uint64_t total, double seconds)
{
    const double rate = seconds > 0 ? static_cast<double>(done - from) / seconds : 0;
    char buf[160];
    int n = std::snprintf(buf, sizeof buf, "%llu of %llu generations (%.0f%%)",
                          static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                          std::floor(100.0 * static_cast<double>(done) / static_cast<double>(total)));
    std::string s(buf, static_cast<std::size_t>(n));
    if (rate <= 0)
        return s;
    const char* unit = rate >= 1e6 ? "M" : rate >= 1e3 ? "k" : "";
    const double scaled = rate >= 1e6 ? rate / 1e6 : rate >= 1e3 ? rate / 1e3 : rate;
    const double left = static_cast<double>(total - done) / rate;
    n = std::snprintf(buf, sizeof buf, ", %.1f %s/s", scaled, unit);
    s.append(buf, static_cast<std::size_t>(n));
    if (left < 360000.0) {
        const auto secs = static_cast<long long>(std::ceil(left));
        if (secs >= 3600)
            n = std::snprintf(buf, sizeof buf, ", %lld:%02lld:%02lld left", secs / 3600, secs / 60 % 60,
                              secs % 60);
        else
            n = std::snprintf(buf, sizeof buf, ", %lld:%02lld left", secs / 60, secs % 60);
    } else {
        n = std::snprintf(buf, sizeof buf, ", %.0f days left", left / 86400.0);
    }
    s.append(buf, static_cast<std::size_t>(n));
    return s;
}

void ProgressLine::update(std::uint64_t from, std::uint64_t done, std::uint64_t total, double seconds)
{
    // Carriage return, the line, then erase whatever a longer line left.
    put("\r" + text(from, done, total, seconds) + "\x1b[K");
    shown_ = true;
}

void ProgressLine::clear()
{
    if (shown_)
        put("\r\x1b[K");
    shown_ = false;
}

void ProgressLine::put(const std::string& s)
{
    // Progress is a courtesy: a terminal that fails to take it stops nothing.
    std::size_t off = 0;
    while (off < s.size()) {
        const ssize_t w = ::write(fd_, s.data() + off, s.size() - off);
        if (w <= 0)
            return;
        off += static_cast<std::size_t>(w);
    }
}

}  // namespace quillmar::batch
