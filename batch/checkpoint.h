#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillmar::batch {

// The bytes of a checkpoint: fields in a fixed order, little-endian, behind
// a magic number, and a checksum of everything before it at the end, so that
// a torn, truncated or altered file is found.
class CheckpointWriter {
public:
    CheckpointWriter();

    void u64(std::uint64_t n);
    void f64(double d);  // bit for bit
    void text(std::string_view s);
    void floats(std::span<const float> v);          // bit for bit, without their count
    void counts(std::span<const std::uint64_t> v);  // without their count

    // The whole file, checksum included.
    std::string finish();

private:
    std::string bytes_;
};

// Reads what a CheckpointWriter wrote, in the same order. A read past the
// end gives zeros and makes ok() false.
class CheckpointReader {
public:
    // Nothing when `file` is no checkpoint or its checksum does not match.
    static std::optional<CheckpointReader> open(std::string_view file);

    std::uint64_t u64();
    double f64();
    std::string text();
    void floats(std::span<float> v);
    void counts(std::span<std::uint64_t> v);
    // Whether every read so far was within the file and made sense.
    bool ok() const { return ok_; }
    // A field read makes no sense: the file is no checkpoint of this program.
    void fail() { ok_ = false; }
    // Whether every field has been read.
    bool atEnd() const { return ok_ && bytes_.empty(); }

private:
    explicit CheckpointReader(std::string_view payload) : bytes_(payload) {}
    bool take(void* to, std::size_t n);

    std::string_view bytes_;
    bool ok_ = true;
};

// Replaces `path` with `bytes` so that a crash at any moment leaves either
// the old file or the new one whole: a temporary file beside it, put on the
// disk, renamed over it. On failure, `error` says why.
bool writeAtomically(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace quillmar::batch
