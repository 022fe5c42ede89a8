#pragma once

// A scratch file for a test's outputs, removed with it.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

}  // namespace quillmar::batch::test
