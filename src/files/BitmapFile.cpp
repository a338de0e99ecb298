#include "files/BitmapFile.h"

#include "platform/ProgressReporter.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace kor {

namespace {

// Rows are gathered into blocks of about this size before each write.
constexpr std::size_t kWriteBlockBytes = std::size_t(1) << 20;
constexpr int kColourStrips = 4;
constexpr int kProgressPerStrip = ProgressReporter::kProgressRange / kColourStrips;

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}

// Writes a temporary bitmap: the bytes go to a fresh file beside the target,
// which is renamed over the target only when complete, so a reader never sees a
// half-written picture and a failed write leaves the previous one. Unlike the
// saved image files these are rebuilt on every redisplay, so they are not synced
// to the disk: waiting for that would slow every change of the picture.
class TemporaryFileWriter {
public:
    explicit TemporaryFileWriter(const std::filesystem::path& target) : m_target(target)
    {
        std::string pattern = target.string() + ".XXXXXX";
        m_fd = ::mkstemp(pattern.data());
        if (m_fd >= 0)
            m_temp = pattern;
    }
    ~TemporaryFileWriter() { discard(); }
    TemporaryFileWriter(const TemporaryFileWriter&) = delete;
    TemporaryFileWriter& operator=(const TemporaryFileWriter&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    // Reserves the file's whole size at once: far cheaper than growing it write by
    // write. A failure here shows up in the writes that follow.
    void reserve(std::size_t bytes)
    {
        if (m_fd >= 0)
            (void)::posix_fallocate(m_fd, 0, off_t(bytes));
    }

    bool write(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        while (size > 0 && !m_failed) {
            const ssize_t n = ::write(m_fd, p, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_failed = true;
                break;
            }
            p += n;
            size -= std::size_t(n);
        }
        return isOpen() && !m_failed;
    }

    // Writes `count` pieces of `size` bytes each, gathered in as few calls as the system allows.
    bool writePieces(const std::uint8_t* const* pieces, std::size_t count, std::size_t size)
    {
        std::vector<iovec> iov(std::min<std::size_t>(count, IOV_MAX));
        for (std::size_t done = 0; done < count && !m_failed;) {
            const std::size_t batch = std::min<std::size_t>(count - done, iov.size());
            for (std::size_t i = 0; i < batch; ++i)
                iov[i] = {const_cast<std::uint8_t*>(pieces[done + i]), size};
            ssize_t n = ::writev(m_fd, iov.data(), int(batch));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                m_failed = true;
                break;
            }
            // A short gather: finish the pieces it cut, one by one.
            std::size_t written = std::size_t(n);
            for (std::size_t i = 0; i < batch && !m_failed; ++i) {
                if (written >= size) {
                    written -= size;
                    continue;
                }
                write(pieces[done + i] + written, size - written);
                written = 0;
            }
            done += batch;
        }
        return isOpen() && !m_failed;
    }

    bool commit()
    {
        if (m_fd < 0 || m_failed)
            return false;
        const bool closed = ::close(m_fd) == 0;
        m_fd = -1;
        if (!closed)
            return false;
        // mkstemp creates the file 0600; the bitmap gets the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(m_temp.c_str(), 0666 & ~mask);
        if (std::rename(m_temp.c_str(), m_target.c_str()) != 0)
            return false;
        m_temp.clear();
        return true;
    }

private:
    void discard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        if (!m_temp.empty())
            ::unlink(m_temp.c_str());
        m_temp.clear();
    }

    std::filesystem::path m_target;
    std::string m_temp;
    int m_fd = -1;
    bool m_failed = false;
};

std::uint32_t get16(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

std::uint32_t get32(const std::uint8_t* p)
{
    return get16(p) | get16(p + 2) << 16;
}

// The file header and the information header of an uncompressed bottom-up bitmap.
std::array<std::uint8_t, kColourPixelOffset> bitmapHeaders(int width, int height, int bitsPerPixel,
                                                           std::uint32_t pixelOffset, std::uint32_t imageBytes)
{
    std::array<std::uint8_t, kColourPixelOffset> h{};
    h[0] = 'B';
    h[1] = 'M';
    put32(&h[2], pixelOffset + imageBytes);
    put32(&h[10], pixelOffset);
    put32(&h[14], kBitmapInfoHeaderSize);
    put32(&h[18], std::uint32_t(width));
    put32(&h[22], std::uint32_t(height));
    put16(&h[26], 1);
    put16(&h[28], std::uint32_t(bitsPerPixel));
    put32(&h[34], imageBytes);
    return h;
}

} // namespace

BitmapResult writeMonoBitmap(const std::filesystem::path& path, const std::uint8_t* source, const MonoLayout& layout,
                             const Palette& palette)
{
    assert(layout.width > 0 && layout.height > 0 && layout.step >= 1 && "bitmap layout");
    TemporaryFileWriter file(path);
    if (!file.isOpen())
        return BitmapResult::CreateFailed;

    const std::size_t rowBytes = paddedRowBytes(layout.width, 1);
    const auto imageBytes = std::uint32_t(rowBytes * std::size_t(layout.height));
    const auto headers = bitmapHeaders(layout.width, layout.height, 8, kMonoPixelOffset, imageBytes);
    file.reserve(kMonoPixelOffset + imageBytes);
    std::array<std::uint8_t, 1024> paletteBytes{};
    for (std::size_t i = 0; i < palette.size(); ++i) {
        paletteBytes[4 * i] = palette[i].blue;
        paletteBytes[4 * i + 1] = palette[i].green;
        paletteBytes[4 * i + 2] = palette[i].red;
    }
    if (!file.write(headers.data(), headers.size()) || !file.write(paletteBytes.data(), paletteBytes.size()))
        return BitmapResult::HeaderFailed;

    if (layout.step == 1 && rowBytes == std::size_t(layout.width)) {
        // Unpadded rows go straight from the source, last row first.
        std::vector<const std::uint8_t*> rows(std::size_t(layout.height));
        for (int t = 0; t < layout.height; ++t)
            rows[std::size_t(t)] = source + std::size_t(layout.height - 1 - t) * layout.sourceStride;
        if (!file.writePieces(rows.data(), rows.size(), rowBytes))
            return BitmapResult::PixelsFailed;
        return file.commit() ? BitmapResult::Ok : BitmapResult::PixelsFailed;
    }

    const std::size_t rowsPerBlock = std::max<std::size_t>(1, kWriteBlockBytes / rowBytes);
    std::vector<std::uint8_t> block(rowsPerBlock * rowBytes, 0);
    int row = layout.height - 1; // the last picture row is stored first
    while (row >= 0) {
        std::size_t filled = 0;
        for (; filled < rowsPerBlock && row >= 0; ++filled, --row) {
            const std::uint8_t* src = source + std::size_t(row) * layout.step * layout.sourceStride;
            std::uint8_t* dst = block.data() + filled * rowBytes;
            if (layout.step == 1) {
                std::memcpy(dst, src, std::size_t(layout.width));
            } else {
                for (int x = 0; x < layout.width; ++x)
                    dst[x] = src[std::size_t(x) * layout.step];
            }
        }
        if (!file.write(block.data(), filled * rowBytes))
            return BitmapResult::PixelsFailed;
    }
    return file.commit() ? BitmapResult::Ok : BitmapResult::PixelsFailed;
}

BitmapResult writeColourBitmap(const std::filesystem::path& path, int width, int height,
                               const ColourRowRenderer& render, ProgressReporter& progress)
{
    assert(width > 0 && height > 0 && "colour bitmap size");
    TemporaryFileWriter file(path);
    if (!file.isOpen())
        return BitmapResult::CreateFailed;

    // The stored width is widened to a multiple of 4 pixels, so rows need no padding.
    const int storedWidth = (width + 3) & ~3;
    const std::size_t rowBytes = std::size_t(storedWidth) * 3;
    const auto imageBytes = std::uint32_t(rowBytes * std::size_t(height));
    const auto headers = bitmapHeaders(storedWidth, height, 24, kColourPixelOffset, imageBytes);
    file.reserve(kColourPixelOffset + imageBytes);
    if (!file.write(headers.data(), headers.size()))
        return BitmapResult::HeaderFailed;

    progress.begin("BUILDING COLOUR IMAGE");
    std::vector<std::uint8_t> rowBuffer(rowBytes, 0);
    bool ok = true;
    // Strip k covers the stored rows (k-1)*H/4 to k*H/4-1; stored row t shows picture row H-1-t.
    for (int strip = 1; strip <= kColourStrips && ok; ++strip) {
        const int first = (strip - 1) * height / kColourStrips;
        const int end = strip * height / kColourStrips;
        for (int t = first; t < end && ok; ++t) {
            render(height - 1 - t, rowBuffer.data());
            ok = file.write(rowBuffer.data(), rowBytes);
        }
        progress.setPosition(strip * kProgressPerStrip);
    }
    progress.end();
    if (!ok)
        return BitmapResult::PixelsFailed;
    return file.commit() ? BitmapResult::Ok : BitmapResult::PixelsFailed;
}

std::optional<DecodedBitmap> readBitmapFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(in.tellg());
    in.seekg(0);
    if (fileSize < kColourPixelOffset)
        return std::nullopt;
    std::array<std::uint8_t, kColourPixelOffset> h{};
    in.read(reinterpret_cast<char*>(h.data()), h.size());
    if (!in || h[0] != 'B' || h[1] != 'M')
        return std::nullopt;

    const std::uint32_t pixelOffset = get32(&h[10]);
    const auto width = std::int32_t(get32(&h[18]));
    const auto height = std::int32_t(get32(&h[22]));
    const std::uint32_t bits = get16(&h[28]);
    const std::uint32_t compression = get32(&h[30]);
    // Pictures larger than a full 24-bit frame are not ours; the limit also keeps sizes in range.
    constexpr std::int32_t kMaxSide = 16384;
    if (get32(&h[14]) != kBitmapInfoHeaderSize || compression != 0 || (bits != 8 && bits != 24) || width <= 0 ||
        height <= 0 || width > kMaxSide || height > kMaxSide)
        return std::nullopt;

    DecodedBitmap bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.indexed = bits == 8;
    const int bytesPerPixel = int(bits / 8);
    const std::size_t rowBytes = paddedRowBytes(width, bytesPerPixel);
    if (bmp.indexed) {
        if (pixelOffset < kMonoPixelOffset)
            return std::nullopt;
        std::array<std::uint8_t, 1024> p{};
        in.read(reinterpret_cast<char*>(p.data()), p.size());
        if (!in)
            return std::nullopt;
        for (std::size_t i = 0; i < 256; ++i)
            bmp.palette[i] = {p[4 * i], p[4 * i + 1], p[4 * i + 2], 0};
    } else if (pixelOffset < kColourPixelOffset) {
        return std::nullopt;
    }
    const std::uint64_t pixelBytes = std::uint64_t(rowBytes) * std::uint64_t(height);
    if (std::uint64_t(pixelOffset) + pixelBytes > fileSize)
        return std::nullopt;

    std::vector<std::uint8_t> stored(pixelBytes);
    in.seekg(std::streamoff(pixelOffset));
    in.read(reinterpret_cast<char*>(stored.data()), std::streamsize(pixelBytes));
    if (!in)
        return std::nullopt;

    const std::size_t count = std::size_t(width) * std::size_t(height);
    bmp.rgb32.resize(count);
    if (bmp.indexed) {
        std::array<std::uint32_t, 256> lut{};
        for (std::size_t i = 0; i < 256; ++i)
            lut[i] = 0xff000000u | std::uint32_t(bmp.palette[i].red) << 16 | std::uint32_t(bmp.palette[i].green) << 8 |
                     bmp.palette[i].blue;
        bmp.indices.resize(count);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* src = stored.data() + std::size_t(height - 1 - y) * rowBytes;
            std::uint8_t* idx = bmp.indices.data() + std::size_t(y) * width;
            std::uint32_t* dst = bmp.rgb32.data() + std::size_t(y) * width;
            std::memcpy(idx, src, std::size_t(width));
            for (int x = 0; x < width; ++x)
                dst[x] = lut[src[x]];
        }
    } else {
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* src = stored.data() + std::size_t(height - 1 - y) * rowBytes;
            std::uint32_t* dst = bmp.rgb32.data() + std::size_t(y) * width;
            for (int x = 0; x < width; ++x, src += 3)
                dst[x] = 0xff000000u | std::uint32_t(src[2]) << 16 | std::uint32_t(src[1]) << 8 | src[0];
        }
    }
    return bmp;
}

} // namespace kor
