#include "files/FitsFile.h"

#include "files/FileInput.h"
#include "files/RawFile.h"
#include "messages/Messages.h"
#include "platform/SafeFile.h"
#include "program/Program.h"
#include "settings/SettingsFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kor {

static_assert(std::endian::native == std::endian::little, "planes are written as they lie in memory");

namespace {

constexpr const char* kDefaultInstrument = "Kestrova CCD";
constexpr const char* kDefaultFilter = "None";
constexpr std::size_t kStringPrefixLength = 11; // "OBJECT  = '"
constexpr std::size_t kPieceLength = 68;        // text of one HISTORY or COMMENT piece card
constexpr int kPieceCards = 4;
// The text read back from the fourth piece card, so a long text reads back
// as at most 3 x 68 + 51 = 255 characters.
constexpr std::size_t kLastPieceReadLength = 51;
constexpr std::size_t kNumberColumn = 13; // numbers start in column 14
constexpr std::size_t kBzeroCompareLength = 29;
constexpr const char* kUnsignedBzero = "BZERO   =   +0.0000000000E+00";
constexpr int kMaxAutosaveNumber = 65529;

class HeaderBuilder {
public:
    void card(std::string_view text)
    {
        std::string c(text.substr(0, kFitsCardBytes));
        c.resize(kFitsCardBytes, ' ');
        m_bytes += c;
        ++m_cards;
    }

    // A string card with the text cut to `limit`. A quote inside the text is
    // doubled, as FITS readers expect, and the text is cut so the closing quote
    // still fits in the card.
    void string(std::string_view prefix, std::string_view text, std::size_t limit)
    {
        std::string escaped;
        for (char ch : text.substr(0, limit)) {
            if (prefix.size() + escaped.size() + (ch == '\'' ? 2 : 1) + 1 > kFitsCardBytes)
                break;
            escaped.push_back(ch);
            if (ch == '\'')
                escaped.push_back('\'');
        }
        card(std::string(prefix) + escaped + "'");
    }

    // A text cut into four 68-character cards, each padded with spaces so its
    // closing quote stands in column 80.
    void pieces(std::string_view prefix, std::string_view text)
    {
        for (int k = 0; k < kPieceCards; ++k) {
            const std::size_t from = std::size_t(k) * kPieceLength;
            std::string piece = from < text.size() ? std::string(text.substr(from, kPieceLength)) : std::string();
            piece.resize(kPieceLength, ' ');
            card(std::string(prefix) + piece + "'");
        }
    }

    void number(std::string_view prefix, double value)
    {
        char formatted[64];
        std::snprintf(formatted, sizeof formatted, "%11.10E", value);
        card(std::string(prefix) + "    " + formatted);
    }

    int cards() const { return m_cards; }
    std::string take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
    int m_cards = 0;
};

const char* modeText(const Workspace& ws)
{
    if (ws.BinnedMode)
        return ws.ExposureMode == 5 ? "Subframe Image        '" : "Binned Image          '";
    return ws.ModeDigit == '7' ? "Fullframe Image Binned'" : "Fullframe Image       '";
}

// A full-frame high-resolution frame still carries the colour matrix. With the
// default full-frame offsets (line offset 1, pixel offset 0) row 0 reads blue,
// green and row 1 green, red.
bool carriesColourMatrix(const Workspace& ws, FitsForm form)
{
    return form != FitsForm::Rgb16 && !ws.BinnedMode && !ws.ColourImage && ws.ExposureMode == 1;
}

// The text of a string card: columns 12 to 80 up to the closing quote, with a
// doubled quote read as one.
std::string cardText(const char* card)
{
    std::string text;
    for (std::size_t i = kStringPrefixLength; i < kFitsCardBytes; ++i) {
        if (card[i] == '\'') {
            if (i + 1 < kFitsCardBytes && card[i + 1] == '\'') {
                text.push_back('\'');
                ++i;
                continue;
            }
            break;
        }
        text.push_back(card[i]);
    }
    return text;
}

double cardNumber(const char* card, double fallback)
{
    char text[kFitsCardBytes + 1];
    std::memcpy(text, card, kFitsCardBytes);
    text[kFitsCardBytes] = '\0';
    char* end = nullptr;
    const double value = std::strtod(text + kNumberColumn, &end);
    return end == text + kNumberColumn ? fallback : value;
}

std::string trimTrailingSpaces(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// out[i] = in[i] with its bytes swapped, then XOR `mask`. Adding the FITS
// offset 32768 modulo 65536 only flips the top bit, so it is the mask 0x8000
// after the swap, or 0x0080 before it. Pairs of values are swapped as 32-bit
// words with shifts and masks, which vectorise on every x86-64 (a 16-bit
// rotate does not); kept out of line, where nothing else competes for the
// registers, the loop does vectorise. `in` and `out` are either the same or apart.
[[gnu::noinline]] void swapAndFlip(const std::uint16_t* in, std::uint16_t* out, std::size_t n, std::uint16_t mask)
{
    const std::uint32_t mask2 = std::uint32_t(mask) * 0x10001u;
    const std::size_t pairs = n / 2;
    for (std::size_t i = 0; i < pairs; ++i) {
        std::uint32_t w;
        std::memcpy(&w, in + 2 * i, 4);
        w = (((w & 0x00ff00ffu) << 8) | ((w >> 8) & 0x00ff00ffu)) ^ mask2;
        std::memcpy(out + 2 * i, &w, 4);
    }
    if (n % 2) {
        const std::uint16_t v = in[n - 1];
        out[n - 1] = std::uint16_t(std::uint16_t(v << 8 | v >> 8) ^ mask);
    }
}

// Writes a plane as 16-bit two's-complement values v - 32768, most significant
// byte first, converting one tenth of the plane at a time.
bool writeOffsetBigEndian(SafeFileWriter& out, const std::uint16_t* plane, std::size_t count)
{
    const std::size_t chunk = count / 10;
    std::vector<std::uint16_t> buffer(chunk + 10);
    for (int c = 0; c < 10; ++c) {
        const std::size_t first = std::size_t(c) * chunk;
        const std::size_t n = c == 9 ? count - first : chunk;
        swapAndFlip(plane + first, buffer.data(), n, 0x0080);
        if (!out.write(buffer.data(), n * 2))
            return false;
    }
    return true;
}

bool writeTopBytes(SafeFileWriter& out, const std::uint16_t* plane, std::size_t count)
{
    const std::size_t chunk = count / 10;
    std::vector<std::uint8_t> buffer(chunk + 10);
    for (int c = 0; c < 10; ++c) {
        const std::size_t first = std::size_t(c) * chunk;
        const std::size_t n = c == 9 ? count - first : chunk;
        for (std::size_t i = 0; i < n; ++i)
            buffer[i] = std::uint8_t(plane[first + i] >> 8);
        if (!out.write(buffer.data(), n))
            return false;
    }
    const std::vector<std::uint8_t> zeros(kFits8BitTrailerBytes, 0);
    return out.write(zeros.data(), zeros.size());
}

// Reads 16-bit two's-complement big-endian values straight into the plane and
// turns them into pixels in place, a block at a time while the block is still
// in the cache.
bool readOffsetBigEndian(FileInput& in, std::uint16_t* plane, std::size_t count, std::uint16_t offset)
{
    constexpr std::size_t kBlockValues = 1024 * 1024;
    for (std::size_t first = 0; first < count; first += kBlockValues) {
        const std::size_t n = std::min(kBlockValues, count - first);
        if (!in.read(plane + first, n * 2))
            return false;
        swapAndFlip(plane + first, plane + first, n, offset);
    }
    return true;
}

// What a header says, gathered before any of it is taken over.
struct ParsedHeader {
    bool binned = false;
    bool colour = false;
    std::int16_t mode = 1;
    char modeDigit = '1';
    std::array<std::string, 7> texts; // object, telescope, instrument, observer, origin, date, time
    std::array<std::string, kHistoryLineCount> historyLines;
    std::string historyText, commentText, filter;
    bool unsignedData = false;
    double pixelWidth = 0, pixelHeight = 0, exposure = 0, focalLength = 0, aperture = 0;
};

} // namespace

FitsForm fitsFormFor(const Workspace& ws, bool eightBit)
{
    if (eightBit)
        return FitsForm::Mono8;
    return ws.ColourImage ? FitsForm::Colour16 : FitsForm::Mono16;
}

std::string buildFitsHeader(const Workspace& ws, const Settings& s, const FitsObservation& obs, FitsForm form)
{
    const bool threeAxes = form == FitsForm::Colour16 || form == FitsForm::Rgb16;
    HeaderBuilder h;
    h.card(form == FitsForm::Colour16 ? "SIMPLE  =                    F /" : "SIMPLE  =                    T /");
    h.card(form == FitsForm::Mono8 ? "BITPIX  =                    8 /" : "BITPIX  =                   16 /");
    h.card(threeAxes ? "NAXIS   =                    3 /" : "NAXIS   =                    2 /");
    h.card(ws.BinnedMode ? "NAXIS1  =                 1950 /" : "NAXIS1  =                 3900 /");
    h.card(ws.BinnedMode ? "NAXIS2  =                 1308 /" : "NAXIS2  =                 2616 /");
    if (form == FitsForm::Colour16)
        h.card("NAXIS3  =                    4 /");
    else if (form == FitsForm::Rgb16)
        h.card("NAXIS3  =                    3 /");
    h.string("OBJECT  = '", s.fitsObject, kFitsTextLength);
    h.string("TELESCOP= '", s.fitsTelescope, kFitsTextLength);
    h.string("INSTRUME= '", s.fitsInstrument, kFitsTextLength);
    h.string("OBSERVER= '", s.fitsObserver, kFitsTextLength);
    h.string("ORIGIN  = '", s.fitsOrigin, kFitsTextLength);
    h.string("DATE-OBS= '", obs.date, kFitsDateLength);
    h.string("TIME-OBS= '", obs.time, kFitsTimeLength);
    h.card(std::string("HISTORY = '") + modeText(ws));
    for (const auto& line : ws.HistoryLines)
        h.string("HISTORY = '", line, kHistoryLineLength);
    h.pieces("HISTORY = '", s.fitsHistory);
    h.pieces("COMMENT = '", s.fitsComment);
    // Other programs read the 8-bit form as plain bytes, so it carries no offset.
    h.card(form == FitsForm::Mono8 ? kUnsignedBzero : "BZERO   =   +3.2768000000E+04");
    h.card("BSCALE  =   +1.0000000000E+00");
    h.number("PIXWIDTH=", obs.pixelWidth);
    h.number("PIXHEIGH=", obs.pixelHeight);
    h.card("SATURATE=                32768");
    h.number("EXPTIME =", obs.exposureSeconds);
    h.number("FOCALLEN=", s.fitsFocalLengthInches);
    h.number("APERTURE=", s.fitsApertureSquareInches);
    h.string("FILTER  = '", s.fitsFilter, kFitsTextLength);
    if (form == FitsForm::Rgb16) {
        h.card("FILTER1 = 'RED'");
        h.card("FILTER2 = 'GRN'");
        h.card("FILTER3 = 'BLU'");
    }
    h.card(form == FitsForm::Rgb16 ? "ROWORDER= 'BOTTOM-UP'" : "ROWORDER= 'TOP-DOWN'");
    if (carriesColourMatrix(ws, form))
        h.card("BAYERPAT= 'BGGR'");
    h.card("END");
    while (h.cards() < kFitsHeaderCards)
        h.card("");
    return h.take();
}

FitsWriteResult WriteFits(Program& program, const std::filesystem::path& path, const Plane& image, bool eightBit)
{
    Workspace& ws = program.workspace;
    const FitsForm form = fitsFormFor(ws, eightBit);
    const std::string header = buildFitsHeader(ws, program.settings, program.files.fits, form);
    program.settings.unsignedIntFits = 'n';

    SafeFileWriter out(path);
    if (!out.isOpen() || !out.write(header.data(), header.size()))
        return FitsWriteResult::Failed;
    const bool dataWritten = form == FitsForm::Mono8 ? writeTopBytes(out, image.data(), ws.PixelCount)
                                                     : writeOffsetBigEndian(out, image.data(), ws.PixelCount);
    if (!dataWritten)
        return FitsWriteResult::Failed;
    if (form == FitsForm::Colour16) {
        for (const Plane& plane : ws.ColourPlanes) {
            if (!out.write(plane.data(), ws.PixelCount * 2)) {
                ShowMessage(program.messages, kMsgKorCreateFailed);
                return FitsWriteResult::Failed;
            }
        }
    }
    if (form == FitsForm::Mono16 && ws.BinnedMode) {
        const std::vector<std::uint8_t> zeros(kFitsBinnedPaddedLength - kFitsBinnedLength, 0);
        if (!out.write(zeros.data(), zeros.size()))
            return FitsWriteResult::Failed;
    }
    return out.commit() ? FitsWriteResult::Ok : FitsWriteResult::Failed;
}

FitsReadResult ReadFits(Program& program, const std::filesystem::path& path, std::size_t fileLength)
{
    FileInput in(path);
    if (!in.isOpen())
        return FitsReadResult::ReadFailed;
    char card[kFitsCardBytes];
    const auto next = [&] { return in.read(card, kFitsCardBytes); };
    ParsedHeader h;

    if (!next() || !next())
        return FitsReadResult::ReadFailed;
    if (card[28] != '1' || card[29] != '6')
        return FitsReadResult::NotOurs;
    if (!next())
        return FitsReadResult::ReadFailed;
    if (card[29] != '2' && card[29] != '3')
        return FitsReadResult::NotOurs;
    if (!next())
        return FitsReadResult::ReadFailed;
    const std::string_view width(card + 27, 3);
    if (width == "950") {
        h.binned = true;
        h.colour = fileLength != kFitsBinnedLength && fileLength != kFitsBinnedPaddedLength;
    } else if (width == "900") {
        h.binned = false;
        h.colour = fileLength > 49000000;
    } else {
        return FitsReadResult::NotOurs;
    }
    if (!next())
        return FitsReadResult::ReadFailed;
    if ((card[27] != '3' && card[27] != '6') || (card[28] != '0' && card[28] != '1') ||
        (card[29] != '8' && card[29] != '6'))
        return FitsReadResult::NotOurs;
    if (h.colour && !next())
        return FitsReadResult::ReadFailed;
    for (auto& text : h.texts) {
        if (!next())
            return FitsReadResult::ReadFailed;
        text = cardText(card);
    }

    if (!next())
        return FitsReadResult::ReadFailed;
    const std::string mode = cardText(card);
    bool modeBinned = true;
    if (mode.rfind("Fullframe Image Binned", 0) == 0) {
        h.mode = 7, h.modeDigit = '7', modeBinned = false;
    } else if (!mode.empty() && mode[0] == 'F') {
        h.mode = 1, h.modeDigit = '1', modeBinned = false;
    } else if (!mode.empty() && mode[0] == 'B') {
        h.mode = 2, h.modeDigit = '2';
    } else {
        h.mode = 5, h.modeDigit = '5';
    }
    // The writer states the binning twice; a file where the two disagree would
    // be read with the wrong geometry.
    if (modeBinned != h.binned)
        return FitsReadResult::NotOurs;

    for (auto& line : h.historyLines) {
        if (!next())
            return FitsReadResult::ReadFailed;
        line = cardText(card).substr(0, kHistoryLineLength);
    }
    for (std::string* text : {&h.historyText, &h.commentText}) {
        std::string joined;
        for (int k = 0; k < kPieceCards; ++k) {
            if (!next())
                return FitsReadResult::ReadFailed;
            const std::string piece = cardText(card);
            joined += k == kPieceCards - 1 ? piece.substr(0, kLastPieceReadLength) : piece;
        }
        // The writer pads the pieces with spaces; they are not part of the text.
        *text = trimTrailingSpaces(joined);
    }

    if (!next())
        return FitsReadResult::ReadFailed;
    h.unsignedData = std::memcmp(card, kUnsignedBzero, kBzeroCompareLength) == 0;
    if (!next()) // BSCALE
        return FitsReadResult::ReadFailed;
    const FitsObservation& obs = program.files.fits;
    const Settings& s = program.settings;
    struct NumberCard {
        double* value;
        double fallback;
    };
    double saturate = 0;
    for (const NumberCard& n :
         {NumberCard{&h.pixelWidth, obs.pixelWidth}, NumberCard{&h.pixelHeight, obs.pixelHeight},
          NumberCard{&saturate, 0}, NumberCard{&h.exposure, obs.exposureSeconds},
          NumberCard{&h.focalLength, s.fitsFocalLengthInches}, NumberCard{&h.aperture, s.fitsApertureSquareInches}}) {
        if (!next())
            return FitsReadResult::ReadFailed;
        *n.value = cardNumber(card, n.fallback);
    }
    if (!next())
        return FitsReadResult::ReadFailed;
    h.filter = cardText(card).substr(0, kFitsTextLength);

    // The header is accepted: take it over.
    Workspace& ws = program.workspace;
    Settings& settings = program.settings;
    FitsObservation& fits = program.files.fits;
    ws.BinnedMode = h.binned;
    ws.ColourImage = h.colour;
    ws.ExposureMode = h.mode;
    ws.ModeDigit = h.modeDigit;
    ws.SetGeometry();
    settings.fitsObject = h.texts[0].substr(0, kFitsTextLength);
    settings.fitsTelescope = h.texts[1].substr(0, kFitsTextLength);
    settings.fitsInstrument = h.texts[2].substr(0, kFitsTextLength);
    settings.fitsObserver = h.texts[3].substr(0, kFitsTextLength);
    settings.fitsOrigin = h.texts[4].substr(0, kFitsTextLength);
    fits.date = h.texts[5].substr(0, kFitsDateLength);
    fits.time = h.texts[6].substr(0, kFitsTimeLength);
    ws.HistoryLines = h.historyLines;
    settings.fitsHistory = h.historyText;
    settings.fitsComment = h.commentText;
    settings.unsignedIntFits = h.unsignedData ? 'y' : 'n';
    fits.pixelWidth = h.pixelWidth;
    fits.pixelHeight = h.pixelHeight;
    fits.exposureSeconds = h.exposure;
    settings.fitsFocalLengthInches = h.focalLength;
    settings.fitsApertureSquareInches = h.aperture;
    settings.fitsFilter = h.filter;

    if (!in.seek(kFitsHeaderBytes))
        return FitsReadResult::ReadFailed;
    const std::uint16_t offset = h.unsignedData ? 0 : 32768;
    if (!readOffsetBigEndian(in, ws.CurrentImage.data(), ws.PixelCount, offset))
        return FitsReadResult::ReadFailed;
    if (ws.ColourImage) {
        for (Plane& plane : ws.ColourPlanes)
            if (!in.readInTenChunks(plane.data(), ws.PixelCount * 2))
                return FitsReadResult::ReadFailed;
    }
    return FitsReadResult::Ok;
}

void ResetFitsText(Program& program)
{
    Settings& s = program.settings;
    FitsObservation& fits = program.files.fits;
    program.workspace.ClearHistory();
    fits.date.clear();
    fits.time.clear();
    s.fitsObject.clear();
    s.fitsObserver.clear();
    s.fitsTelescope.clear();
    s.fitsComment.clear();
    s.fitsHistory.clear();
    s.fitsInstrument = kDefaultInstrument;
    s.fitsFilter = kDefaultFilter;
    s.fitsFocalLengthInches = 0;
    s.fitsApertureSquareInches = 0;
    fits.exposureSeconds = 0;
}

std::time_t midExposure(std::time_t start, std::time_t end)
{
    return start + (end - start) / 2;
}

FitsDateTime universalTimeFromLocal(const std::tm& local, int utOffsetHours)
{
    // The local fields are taken as they read and shifted by the offset, so no
    // time zone of the process is involved.
    std::tm fields = local;
    fields.tm_isdst = 0;
    const std::time_t shifted = ::timegm(&fields) + std::time_t(utOffsetHours) * 3600;
    std::tm ut{};
    ::gmtime_r(&shifted, &ut);
    char date[32], time[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", ut.tm_year + 1900, ut.tm_mon + 1, ut.tm_mday);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", ut.tm_hour, ut.tm_min, ut.tm_sec);
    return {date, time};
}

FitsWriteResult QuickSaveFits(Program& program)
{
    const std::filesystem::path dir = autosaveDirectory(program);
    std::error_code ec;
    if (!std::filesystem::create_directories(dir, ec) && ec)
        std::filesystem::create_directories(dir, ec);

    // The counter wraps to 1 after it has reached 65530.
    const int last = autosaveCount(program);
    const int number = last > kMaxAutosaveNumber ? 1 : last + 1;
    program.settings.AutosaveCounter = std::int16_t(std::uint16_t(number));

    FileState& files = program.files;
    // An image that was not exposed this run is stamped with the time of saving.
    const std::time_t now = std::time(nullptr);
    const std::time_t start = files.exposureStart ? files.exposureStart : now;
    const std::time_t end = files.exposureStart ? files.exposureEnd : now;
    const std::time_t mid = midExposure(start, end);
    std::tm local{};
    ::localtime_r(&mid, &local);
    const FitsDateTime ut = universalTimeFromLocal(local, program.settings.utOffsetHours);
    files.fits.date = ut.date;
    files.fits.time = ut.time;

    const FitsWriteResult result =
        WriteFits(program, autosavedFilePath(program, number), program.workspace.CurrentImage, false);
    if (result == FitsWriteResult::Ok && SaveSettings(program.settings, program.paths) != SettingsResult::Ok)
        ShowMessage(program.messages, kMsgIniSaveFailed);
    return result;
}

void prepareFitsSave(Program& program, std::time_t now)
{
    FitsObservation& fits = program.files.fits;
    fits.eightBit = false;
    if (fits.date.size() >= 10)
        return;
    std::tm local{};
    ::localtime_r(&now, &local);
    char date[32];
    std::snprintf(date, sizeof date, "20%02d-%02d-%02d", local.tm_year % 100, local.tm_mon + 1, local.tm_mday);
    fits.date = date;
}

bool SaveFitsFile(Program& program, const std::filesystem::path& path)
{
    if (WriteFits(program, path, program.workspace.CurrentImage, program.files.fits.eightBit) != FitsWriteResult::Ok) {
        ShowMessage(program.messages, kMsgCreateFileFailed);
        return false;
    }
    program.files.currentFileName = path.string();
    return true;
}

bool QuickSaveCommand(Program& program)
{
    if (QuickSaveFits(program) != FitsWriteResult::Ok) {
        ShowMessage(program.messages, kMsgCreateFileFailed);
        return false;
    }
    return true;
}

} // namespace kor
