#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>

namespace kor {

// A file opened for reading whole blocks: every read either fills its buffer
// completely or reports failure, so a length checked up front bounds every read.
class FileInput {
public:
    // Opens a regular file; anything else (a directory, a missing or unreadable
    // file) leaves isOpen() false.
    explicit FileInput(const std::filesystem::path& path);
    ~FileInput();
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    std::size_t length() const { return m_length; }

    bool read(void* data, std::size_t size);
    // Reads `size` bytes in ten equal calls, as the image files were written.
    bool readInTenChunks(void* data, std::size_t size);
    bool seek(std::size_t offset);

private:
    std::FILE* m_file = nullptr;
    std::size_t m_length = 0;
};

} // namespace kor
