#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <span>

namespace kor {

// Writes a file so that it is never lost: the bytes go to a temporary file in
// the target's directory, which replaces the target only when every byte was
// written and flushed. A writer that is destroyed without commit() leaves the
// old file as it was and removes its temporary file.
class SafeFileWriter {
public:
    explicit SafeFileWriter(std::filesystem::path target);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // False when the temporary file could not be created.
    bool isOpen() const { return m_file != nullptr; }

    // Appends bytes; false (and the writer is spoiled) on a short write.
    bool write(const void* data, std::size_t size);
    bool write(std::span<const std::byte> bytes) { return write(bytes.data(), bytes.size()); }

    // Flushes, syncs and renames over the target. False on any failure, in which
    // case the target is untouched.
    bool commit();

    const std::filesystem::path& target() const { return m_target; }

private:
    void discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    std::FILE* m_file = nullptr;
    bool m_failed = false;
};

// One-call form: true when the whole file was written and now replaces the target.
bool writeFileSafely(const std::filesystem::path& target, std::span<const std::byte> bytes);

} // namespace kor
