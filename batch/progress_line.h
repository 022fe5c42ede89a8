#pragma once

#include <cstdint>
#include <string>

namespace quillmar::batch {

// The progress line on a terminal: generations done, rate and time left,
// rewritten in place and cleared at the end.
class ProgressLine {
public:
    // Writes to the file descriptor `fd` (a terminal).
    explicit ProgressLine(int fd) : fd_(fd) {}

    // `done` of `total` generations, `done - from` of them in `seconds`.
    void update(std::uint64_t from, std::uint64_t done, std::uint64_t total, double seconds);
    void clear();

    // "1200000 of 5000000 generations (24%), 31.2 M/s, 0:01 left"
    static std::string text(std::uint64_t from, std::uint64_t done, std::uint64_t total, double seconds);

private:
    void put(const std::string& s);

    int fd_;
    bool shown_ = false;
};

}  // namespace quillmar::batch
