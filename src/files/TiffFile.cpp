#include "files/TiffFile.h"

#include "messages/Messages.h"
#include "platform/SafeFile.h"
#include "program/Program.h"

#include <cstring>
#include <vector>

namespace kor {

namespace {

enum TiffType : std::uint16_t { kShort = 3, kLong = 4, kRational = 5 };

class LittleEndian {
public:
    void u16(std::uint32_t v)
    {
        bytes.push_back(char(v & 0xff));
        bytes.push_back(char((v >> 8) & 0xff));
    }
    void u32(std::uint32_t v)
    {
        u16(v & 0xffff);
        u16(v >> 16);
    }
    // A directory entry; a short value sits in the first two bytes of the field.
    void entry(std::uint16_t tag, TiffType type, std::uint32_t count, std::uint32_t value)
    {
        u16(tag);
        u16(type);
        u32(count);
        if (type == kShort && count == 1) {
            u16(value);
            u16(0);
        } else {
            u32(value);
        }
    }
    std::string bytes;
};

int rowsPerStrip(const TiffImage& image)
{
    return image.samplesPerPixel == 1 ? kTiffMonoRowsPerStrip : kTiffColourRowsPerStrip;
}

} // namespace

std::string buildTiffHeader(const TiffImage& image)
{
    const std::uint32_t rows = std::uint32_t(rowsPerStrip(image));
    const std::uint32_t strips = std::uint32_t(image.height) / rows;
    const std::uint32_t stripBytes =
        std::uint32_t(image.width) * rows * std::uint32_t(image.samplesPerPixel * image.bytesPerSample);
    const std::uint32_t dataStart = std::uint32_t(kTiffDataBase) + 8 * strips;
    const std::uint32_t bits = std::uint32_t(image.bytesPerSample * 8);
    const bool colour = image.samplesPerPixel == 3;

    LittleEndian le;
    le.bytes = "II";
    le.u16(42);
    le.u32(8);
    le.u16(13);
    le.entry(254, kLong, 1, 0);
    le.entry(256, kShort, 1, std::uint32_t(image.width));
    le.entry(257, kShort, 1, std::uint32_t(image.height));
    le.entry(258, kShort, colour ? 3 : 1, colour ? dataStart + strips * stripBytes : bits);
    le.entry(259, kShort, 1, 1);
    le.entry(262, kShort, 1, colour ? 2 : 1);
    le.entry(273, kLong, strips, std::uint32_t(kTiffDataBase));
    le.entry(277, kShort, 1, std::uint32_t(image.samplesPerPixel));
    le.entry(278, kLong, 1, rows);
    le.entry(279, kLong, strips, std::uint32_t(kTiffDataBase) + 4 * strips);
    le.entry(282, kRational, 1, 170);
    le.entry(283, kRational, 1, 178);
    le.entry(296, kShort, 1, 3);
    le.u32(0);
    le.u32(510); // X resolution 510 / 6
    le.u32(6);
    le.u32(256); // Y resolution 256 / 4
    le.u32(4);
    for (std::uint32_t s = 0; s < strips; ++s)
        le.u32(dataStart + s * stripBytes);
    for (std::uint32_t s = 0; s < strips; ++s)
        le.u32(stripBytes);
    return le.bytes;
}

bool writeTiff(const std::filesystem::path& path, const TiffImage& image, const TiffRowSource& rows)
{
    SafeFileWriter out(path);
    const std::string header = buildTiffHeader(image);
    if (!out.isOpen() || !out.write(header.data(), header.size()))
        return false;
    // Rows are gathered a strip at a time, so each strip is one write.
    const int stripRows = rowsPerStrip(image);
    const std::size_t rowBytes = std::size_t(image.width) * image.samplesPerPixel * image.bytesPerSample;
    std::vector<std::uint8_t> strip(rowBytes * std::size_t(stripRows));
    const int strips = image.height / stripRows;
    for (int s = 0; s < strips; ++s) {
        for (int r = 0; r < stripRows; ++r)
            rows(s * stripRows + r, strip.data() + std::size_t(r) * rowBytes);
        if (!out.write(strip.data(), strip.size()))
            return false;
    }
    if (image.samplesPerPixel == 3) {
        LittleEndian bits;
        for (int i = 0; i < 3; ++i)
            bits.u16(std::uint32_t(image.bytesPerSample * 8));
        if (!out.write(bits.bytes.data(), bits.bytes.size()))
            return false;
    }
    return out.commit();
}

bool WriteMonochromeTiff(const Workspace& ws, const std::filesystem::path& path, bool sixteenBit)
{
    const TiffImage image{ws.ImageWidth, ws.ImageHeight, 1, sixteenBit ? 2 : 1};
    const std::uint16_t* plane = ws.CurrentImage.data();
    const std::size_t width = std::size_t(ws.ImageWidth);
    if (sixteenBit) {
        // The workspace holds little-endian values already.
        return writeTiff(path, image, [&](int row, std::uint8_t* out) {
            std::memcpy(out, plane + std::size_t(row) * width, width * 2);
        });
    }
    return writeTiff(path, image, [&](int row, std::uint8_t* out) {
        const std::uint16_t* in = plane + std::size_t(row) * width;
        for (std::size_t x = 0; x < width; ++x)
            out[x] = std::uint8_t(in[x] >> 8);
    });
}

bool SaveTiffFile(Program& program, const std::filesystem::path& path)
{
    if (!WriteMonochromeTiff(program.workspace, path, isSet(program.settings.tiff16Bit))) {
        ShowMessage(program.messages, kMsgCreateFileFailed);
        return false;
    }
    return true;
}

} // namespace kor
