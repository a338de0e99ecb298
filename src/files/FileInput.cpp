#include "files/FileInput.h"

#include <sys/stat.h>

namespace kor {

FileInput::FileInput(const std::filesystem::path& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return;
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return;
    }
    m_file = file;
    m_length = std::size_t(info.st_size);
}

FileInput::~FileInput()
{
    if (m_file)
        std::fclose(m_file);
}

bool FileInput::read(void* data, std::size_t size)
{
    return m_file && (size == 0 || std::fread(data, 1, size, m_file) == size);
}

bool FileInput::readInTenChunks(void* data, std::size_t size)
{
    auto* bytes = static_cast<unsigned char*>(data);
    const std::size_t chunk = size / 10;
    for (int i = 0; i < 10; ++i) {
        const std::size_t n = i == 9 ? size - 9 * chunk : chunk;
        if (!read(bytes + std::size_t(i) * chunk, n))
            return false;
    }
    return true;
}

bool FileInput::seek(std::size_t offset)
{
    return m_file && offset <= m_length && std::fseek(m_file, long(offset), SEEK_SET) == 0;
}

} // namespace kor
