#include "platform/SafeFile.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kor {

SafeFileWriter::SafeFileWriter(std::filesystem::path target) : m_target(std::move(target))
{
    // mkstemp gives a unique name in the same directory, so the final rename
    // stays on one file system and is atomic.
    std::string pattern = m_target.string() + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return;
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        ::close(fd);
        ::unlink(pattern.c_str());
        return;
    }
    m_temp = pattern;
}

SafeFileWriter::~SafeFileWriter()
{
    discard();
}

bool SafeFileWriter::write(const void* data, std::size_t size)
{
    if (!m_file || m_failed)
        return false;
    if (size != 0 && std::fwrite(data, 1, size, m_file) != size)
        m_failed = true;
    return !m_failed;
}

bool SafeFileWriter::commit()
{
    if (!m_file || m_failed) {
        discard();
        return false;
    }
    const bool flushed = std::fflush(m_file) == 0 && ::fsync(::fileno(m_file)) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!flushed || !closed) {
        discard();
        return false;
    }
    // mkstemp creates the file 0600; a saved file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    std::error_code ec;
    std::filesystem::permissions(m_temp, static_cast<std::filesystem::perms>(0666 & ~mask), ec);
    std::filesystem::rename(m_temp, m_target, ec);
    if (ec) {
        discard();
        return false;
    }
    m_temp.clear();
    return true;
}

void SafeFileWriter::discard()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temp.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_temp, ec);
        m_temp.clear();
    }
    m_failed = true;
}

bool writeFileSafely(const std::filesystem::path& target, std::span<const std::byte> bytes)
{
    SafeFileWriter writer(target);
    return writer.write(bytes) && writer.commit();
}

} // namespace kor
