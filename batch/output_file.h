#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillmar::batch {

// A buffered writer on a file descriptor that keeps the first error instead
// of throwing: after one, later writes are dropped and failed() stays true.
class OutputFile {
public:
    // Standard output, named "standard output" in messages.
    static OutputFile standardOutput();
    // Opens `path` for writing, creating it if need be, and leaves what it
    // holds: truncate() empties it once every output has opened. On failure
    // the file is failed() with the reason in errorText().
    static OutputFile open(const std::string& path);
    // open() and truncate() at once.
    static OutputFile create(const std::string& path);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    ~OutputFile();

    void write(std::string_view s)
    {
        if (s.size() <= kCapacity - used_) {
            s.copy(buffer_.get() + used_, s.size());
            used_ += s.size();
        } else {
            writeSlow(s);
        }
    }
    // Room for at least `n` (at most kReserveMax) more bytes: returns where
    // they go; commit() then takes what was written there.
    char* reserve(std::size_t n)
    {
        if (n > kCapacity - used_)
            flush();
        return buffer_.get() + used_;
    }
    void commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

    // One CSV row written in place: fields joined by commas, then a line end.
    //   out.row().add(generation).add15(threshold).end();
    class Row {
    public:
        Row& add(std::uint64_t n);
        Row& add(double d);    // the shortest text that reads back as d
        Row& add15(double d);  // 15 significant digits, as printf's %.15g
        void end();

    private:
        friend class OutputFile;
        explicit Row(OutputFile& out) : out_(out), p_(out.reserve(kReserveMax)), end_(p_ + kReserveMax) {}
        void separate()
        {
            if (fields_++ != 0)
                *p_++ = ',';
        }

        OutputFile& out_;
        char* p_;
        char* end_;
        int fields_ = 0;
    };
    // Room for a row of up to 10 fields of numbers.
    Row row() { return Row(*this); }

    // Writes out what is buffered; false once anything has failed.
    bool flush();
    // On a pipe or socket whose reader has gone, fails as a write there would
    // (a closed pipe), buffered or not; false once anything has failed.
    bool checkReader();
    // Empties a regular file that open() opened; other files are left as they are.
    bool truncate();
    // Cuts a regular file back to `n` bytes and writes on from there, for a
    // resumed run; a device that keeps nothing (/dev/null) is left as it is.
    bool cutBackTo(std::uint64_t n);
    // Whether cutBackTo() can work: a regular file, or /dev/null.
    bool canCutBack() const;
    // The size of the file now, as the system sees it.
    std::uint64_t sizeOnDisk() const;
    // The bytes the file holds as this writer sees it: what it held when cut
    // back, and everything written and buffered since.
    std::uint64_t length() const { return written_ + used_; }
    // Flushes, then asks the system to put the bytes on the disk.
    bool sync();
    // Flushes and closes the descriptor, standard output's too: a failed close
    // (a quota, NFS) is a failure like a failed write.
    bool close();
    // Closes the file and removes it if open() created it: for a run that does not start.
    void discard();

    bool failed() const { return errno_ != 0; }
    // The reader went away (EPIPE): a closed pipe rather than a failure.
    bool closedPipe() const;
    // One file under two outputs, whose bytes would mix; a device such as
    // /dev/null may take any number.
    bool sameFileAs(const OutputFile& other) const;
    // The same, against a file looked at with stat().
    bool sameFileAs(const struct stat& st) const;
    bool regularFile() const;
    const std::string& name() const { return name_; }
    // "No space left on device": the reason of the first failure.
    std::string errorText() const;

    static constexpr std::size_t kReserveMax = 256;

private:
    OutputFile(int fd, bool owned, std::string name);
    void writeSlow(std::string_view s);
    void writeOut(const char* p, std::size_t n);

    static constexpr std::size_t kCapacity = 1 << 16;
    int fd_;
    bool owned_;
    std::string name_;
    std::string createdPath_;  // what discard() removes; empty when the file was there before
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::uint64_t written_ = 0;  // the position in the file after the last write
    int errno_ = 0;
    // What fstat() found when the file opened; mode_ is 0 when nothing is known.
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    mode_t mode_ = 0;
};

}  // namespace quillmar::batch
