#pragma once

// Scratch files for a test's outputs, removed with it.

#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "batch_run.h"
#include "output_file.h"

namespace quillmar::batch::test {

class TempFile {
public:
    TempFile()
    {
        path_ = (std::filesystem::temp_directory_path() / "quillmar-batch-test-XXXXXX").string();
        const int fd = ::mkstemp(path_.data());
        if (fd >= 0)
            ::close(fd);
    }
    ~TempFile() { std::filesystem::remove(path_); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }
    std::string read() const
    {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::string path_;
};

// Temporary files for every output of a run, and the outputs opened on them
// (the torrel records on `torrelsPath` when given).
struct RunFiles {
    std::array<TempFile, kOutputCount> temp;
    std::array<std::optional<OutputFile>, kOutputCount> open;
    BatchRun::Outputs outputs{};

    explicit RunFiles(std::optional<std::string> torrelsPath = std::nullopt)
    {
        for (std::size_t k = 0; k < kOutputCount; ++k) {
            const bool torrels = k == static_cast<std::size_t>(Output::Torrels);
            outputs[k] =
                &open[k].emplace(OutputFile::create(torrels && torrelsPath ? *torrelsPath : temp[k].path()));
        }
    }
    std::string text(Output o) const { return temp[static_cast<std::size_t>(o)].read(); }
};

}  // namespace quillmar::batch::test
