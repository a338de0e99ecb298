#include "settings/SettingsFile.h"

#include "messages/Messages.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "settings/SettingsFields.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <system_error>

namespace kor {

namespace {

constexpr std::size_t kCardLength = 80;
constexpr std::size_t kCardTextOffset = 11;                                 // "KEYWORD = '"
constexpr std::size_t kCardTextMax = kCardLength - kCardTextOffset - 1;     // 68, before the closing quote
constexpr std::size_t kLongTextMax = 255;                                   // FITS history and comment
constexpr std::size_t kLastPieceMax = kLongTextMax - 3 * kCardTextMax;      // 51
constexpr std::size_t kDirectoryLength = 100;
constexpr std::size_t kFilterNameLength = 10;
constexpr std::size_t kFilterNamesLength = kFilterNameLength * kMaxFilters;

// Shorts that are written as 10 when above 49, and those written as 0.
bool limitedToTen(int field)
{
    return field == 9 || field == 10 || field == 11 || field == 16 || field == 17 || (field >= 48 && field <= 50) ||
           field == 52 || field == 53 || (field >= 76 && field <= 79);
}
bool limitedToZero(int field)
{
    return field == 12 || field == 51;
}

std::string pieceOfLongText(const std::string& text, int piece)
{
    std::string full = text.substr(0, kLongTextMax);
    full.resize(kLongTextMax, ' ');
    const std::size_t length = piece < 3 ? kCardTextMax : kLastPieceMax;
    return full.substr(std::size_t(piece) * kCardTextMax, length);
}

std::string cardText(std::span<const std::uint8_t> card)
{
    std::string text;
    for (std::size_t i = kCardTextOffset; i < card.size() && card[i] != '\''; ++i)
        text.push_back(char(card[i]));
    return text;
}

class Writer {
public:
    std::vector<std::uint8_t> bytes;

    void shortField(int n, const char*, std::int16_t value)
    {
        if (value > 49 && limitedToTen(n))
            value = 10;
        else if (value > 49 && limitedToZero(n))
            value = 0;
        const auto u = std::uint16_t(value);
        bytes.push_back(std::uint8_t(u & 0xFF));
        bytes.push_back(std::uint8_t(u >> 8));
    }
    void charField(int, const char*, char value) { bytes.push_back(std::uint8_t(value)); }
    void lettersField(int, const char*, const std::array<char, 4>& letters)
    {
        for (char c : letters)
            bytes.push_back(std::uint8_t(c));
    }
    void cardField(int, const char*, const char* keyword, const std::string& text)
    {
        card(keyword, text.substr(0, kCardTextMax));
    }
    void cardPiece(int, const char*, const char* keyword, const std::string& text, int piece)
    {
        card(keyword, pieceOfLongText(text, piece));
    }
    void doubleField(int, const char*, double value)
    {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        for (int i = 0; i < 8; ++i)
            bytes.push_back(std::uint8_t(bits >> (8 * i)));
    }
    void truncatedShortField(int n, const char* name, double value)
    {
        // Truncation toward zero; values beyond a short saturate instead of wrapping.
        double clamped = std::isnan(value) ? 0.0 : std::clamp(value, -32768.0, 32767.0);
        shortField(n, name, std::int16_t(clamped));
    }
    void directoryField(int, const char*, const std::string& text)
    {
        std::string field = text.substr(0, kDirectoryLength - 1);
        field.push_back('\0');
        field.resize(kDirectoryLength, ' ');
        bytes.insert(bytes.end(), field.begin(), field.end());
    }
    void filterNamesField(int, const char*, const std::array<std::string, kMaxFilters>& names)
    {
        for (const auto& name : names) {
            std::string field = name.substr(0, kFilterNameLength - 1);
            field.resize(kFilterNameLength, '\0');
            bytes.insert(bytes.end(), field.begin(), field.end());
        }
    }

private:
    void card(const char* keyword, const std::string& text)
    {
        std::string c = keyword;
        c.resize(8, ' ');
        c += "= '";
        c += text;
        c += '\'';
        c.resize(kCardLength, ' ');
        bytes.insert(bytes.end(), c.begin(), c.end());
    }
};

// Reads the fields in order, storing each one once it has been read and has
// passed its check. A field that fails its check is not stored, so that the
// rewrite that follows produces a file that loads cleanly.
class Reader {
public:
    Reader(std::span<const std::uint8_t> bytes, MessageSink& sink) : m_bytes(bytes), m_sink(sink) {}

    DecodeOutcome outcome;

    void shortField(int n, const char*, std::int16_t& value)
    {
        std::span<const std::uint8_t> b;
        if (!take(n, 2, b))
            return;
        const auto v = std::int16_t(std::uint16_t(b[0] | (b[1] << 8)));
        switch (n) {
        case 11: case 12: case 50: case 51:
            if (v < 0 || v > 30)
                return damaged(n);
            break;
        case 22:
            if (v < 1 || v > 36)
                return damaged(n);
            break;
        case 25: case 26:
            if (v < 1 || v > 6)
                return damaged(n);
            break;
        case 58:
            // A count that later indexes the eight filter names: never trusted.
            value = (v >= 1 && v <= kMaxFilters) ? v : 7;
            return;
        case 66:
            value = (v >= 1 && v <= 9) ? v : 3;
            return;
        default:
            break;
        }
        value = v;
    }

    void charField(int n, const char*, char& value)
    {
        std::span<const std::uint8_t> b;
        if (!take(n, 1, b))
            return;
        const char c = char(b[0]);
        switch (n) {
        case 3:
            if (c == '1' || c == '2')
                value = c;
            else
                ShowFreeText(m_sink, kProgramTitle, "Failed to read comm port value");
            return;
        case 7:
            if (c != 'l' && c != 'r' && c != 'g')
                return damaged(n);
            break;
        case 13: case 15:
            if (c != '1' && c != '0')
                return damaged(n);
            break;
        case 14:
            if (c != 'n' && c != 'l' && c != 'b') {
                value = 'n';
                return damaged(n);
            }
            break;
        case 23: case 24: case 27:
            if (c != 'y' && c != 'n')
                return damaged(n);
            break;
        case 28:
            // A file written before this field existed: the byte is the first
            // byte of the next card.
            if (c != 'y' && c != 'n') {
                m_carriedByte = b[0];
                m_hasCarriedByte = true;
                return;
            }
            break;
        case 45:
            value = 'n';
            return;
        default:
            break;
        }
        value = c;
    }

    void lettersField(int n, const char*, std::array<char, 4>& letters)
    {
        std::span<const std::uint8_t> b;
        if (!take(n, 4, b))
            return;
        for (int i = 2; i < 4; ++i)
            if (b[i] != 'e' && b[i] != 'w')
                return damaged(n);
        for (int i = 0; i < 4; ++i)
            letters[i] = char(b[i]);
    }

    void cardField(int n, const char*, const char*, std::string& text)
    {
        std::array<std::uint8_t, kCardLength> card{};
        if (!takeCard(n, card))
            return;
        text = cardText(card);
    }

    void cardPiece(int n, const char*, const char*, std::string& text, int piece)
    {
        std::array<std::uint8_t, kCardLength> card{};
        if (!takeCard(n, card))
            return;
        std::string part = cardText(card);
        if (piece == 3 && part.size() > kLastPieceMax)
            part.resize(kLastPieceMax);
        if (piece == 0)
            text.clear();
        text += part;
    }

    void doubleField(int n, const char*, double& value)
    {
        std::span<const std::uint8_t> b;
        if (!take(n, 8, b))
            return;
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= std::uint64_t(b[i]) << (8 * i);
        value = std::bit_cast<double>(bits);
    }

    void truncatedShortField(int n, const char* name, double& value)
    {
        std::int16_t v = 0;
        const bool wasActive = active();
        shortField(n, name, v);
        if (wasActive && active())
            value = v;
    }

    void directoryField(int n, const char*, std::string& text)
    {
        std::span<const std::uint8_t> b;
        if (!take(n, kDirectoryLength, b))
            return;
        std::string dir;
        for (std::uint8_t c : b) {
            if (c == '\'' || c == '\0')
                break;
            dir.push_back(char(c));
        }
        text = dir; // empty means the root directory
    }

    void filterNamesField(int n, const char*, std::array<std::string, kMaxFilters>& names)
    {
        std::span<const std::uint8_t> b;
        if (!take(n, kFilterNamesLength, b))
            return;
        for (int f = 0; f < kMaxFilters; ++f) {
            std::string name;
            for (std::size_t i = 0; i < kFilterNameLength; ++i) {
                const std::uint8_t c = b[f * kFilterNameLength + i];
                if (c == '\0')
                    break;
                name.push_back(char(c));
            }
            names[f] = name;
        }
    }

private:
    bool active() const { return m_running; }

    bool take(int n, std::size_t count, std::span<const std::uint8_t>& out)
    {
        if (!m_running)
            return false;
        if (m_bytes.size() - m_pos < count) {
            shortRead(n);
            return false;
        }
        out = m_bytes.subspan(m_pos, count);
        m_pos += count;
        return true;
    }

    bool takeCard(int n, std::array<std::uint8_t, kCardLength>& card)
    {
        std::span<const std::uint8_t> b;
        if (m_hasCarriedByte) {
            if (!take(n, kCardLength - 1, b))
                return false;
            m_hasCarriedByte = false;
            card[0] = m_carriedByte;
            std::copy(b.begin(), b.end(), card.begin() + 1);
            return true;
        }
        if (!take(n, kCardLength, b))
            return false;
        std::copy(b.begin(), b.end(), card.begin());
        return true;
    }

    void shortRead(int n)
    {
        m_running = false;
        outcome = {DecodeOutcome::End::ShortRead, n};
        if (n >= 63 && n <= 71)
            ShowFreeText(m_sink, "", messageText(kMsgNoIniFile));
    }

    void damaged(int n)
    {
        m_running = false;
        outcome = {DecodeOutcome::End::Damaged, n};
    }

    std::span<const std::uint8_t> m_bytes;
    MessageSink& m_sink;
    std::size_t m_pos = 0;
    bool m_running = true;
    std::uint8_t m_carriedByte = 0;
    bool m_hasCarriedByte = false;
};

class Lister {
public:
    std::string out;

    void shortField(int n, const char* name, std::int16_t value) { line(n, name, std::to_string(value)); }
    void charField(int n, const char* name, char value) { line(n, name, std::string(1, value)); }
    void lettersField(int n, const char* name, const std::array<char, 4>& letters)
    {
        line(n, name, std::string(letters.begin(), letters.end()));
    }
    void cardField(int n, const char* name, const char*, const std::string& text)
    {
        line(n, name, quoted(text.substr(0, kCardTextMax)));
    }
    void cardPiece(int n, const char* name, const char*, const std::string& text, int piece)
    {
        line(n, name, quoted(pieceOfLongText(text, piece)));
    }
    void doubleField(int n, const char* name, double value)
    {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%g", value);
        line(n, name, buffer);
    }
    void truncatedShortField(int n, const char* name, double value)
    {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%g", value);
        line(n, name, buffer);
    }
    void directoryField(int n, const char* name, const std::string& text) { line(n, name, quoted(text)); }
    void filterNamesField(int n, const char* name, const std::array<std::string, kMaxFilters>& names)
    {
        std::string joined;
        for (const auto& filter : names)
            joined += (joined.empty() ? "" : " ") + quoted(filter);
        line(n, name, joined);
    }

private:
    static std::string quoted(const std::string& text) { return '"' + text + '"'; }
    void line(int n, const char* name, const std::string& value)
    {
        out += std::to_string(n) + ' ' + name + ' ' + value + '\n';
    }
};

} // namespace

Rgb backgroundColour(const Settings& settings)
{
    switch (settings.windowBackground) {
    case 'r':
        return {120, 40, 40};
    case 'g':
        return {90, 90, 90};
    default:
        return {192, 192, 192};
    }
}

std::vector<std::uint8_t> encodeSettings(const Settings& settings)
{
    Writer writer;
    writer.bytes.reserve(kSettingsFileSize);
    visitSettingsFields(settings, writer);
    return writer.bytes;
}

DecodeOutcome decodeSettings(std::span<const std::uint8_t> bytes, Settings& settings, MessageSink& sink)
{
    Reader reader(bytes, sink);
    visitSettingsFields(settings, reader);
    return reader.outcome;
}

std::string listSettings(const Settings& settings)
{
    Lister lister;
    visitSettingsFields(settings, lister);
    return lister.out;
}

SettingsResult SaveSettings(const Settings& settings, const Paths& paths)
{
    std::error_code ec;
    std::filesystem::create_directories(paths.root(), ec);
    const std::vector<std::uint8_t> bytes = encodeSettings(settings);
    if (!writeFileSafely(paths.settingsFile(), std::as_bytes(std::span(bytes))))
        return SettingsResult::SaveFailed;
    return SettingsResult::Ok;
}

SettingsResult LoadSettings(Settings& settings, const Paths& paths, MessageSink& sink)
{
    std::error_code ec;
    if (std::filesystem::create_directories(paths.root(), ec))
        return SaveSettings(settings, paths); // a new root cannot hold a file yet

    if (std::filesystem::is_directory(paths.settingsFile(), ec))
        return SettingsResult::LoadFailed;
    std::ifstream in(paths.settingsFile(), std::ios::binary);
    if (!in)
        return SettingsResult::LoadFailed;
    // A complete file is all that is ever read; anything beyond it is ignored.
    std::vector<std::uint8_t> bytes(kSettingsFileSize);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    if (in.bad())
        return SettingsResult::LoadFailed;
    bytes.resize(std::size_t(in.gcount()));

    const DecodeOutcome outcome = decodeSettings(bytes, settings, sink);
    switch (outcome.end) {
    case DecodeOutcome::End::Complete:
        return SettingsResult::Ok;
    case DecodeOutcome::End::ShortRead:
        return SettingsResult::LoadFailed;
    case DecodeOutcome::End::Damaged:
        return SaveSettings(settings, paths);
    }
    return SettingsResult::LoadFailed;
}

} // namespace kor
