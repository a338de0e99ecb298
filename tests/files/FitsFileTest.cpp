#include "files/FitsFile.h"
#include "files/FilesTestSupport.h"
#include "files/RawFile.h"
#include "messages/Messages.h"
#include "settings/SettingsFile.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <fitsio.h>

#include <fstream>

namespace kor {
namespace {

using test::makeImage;
using test::planeEquals;

std::string card(const std::string& header, int n) // 1-based
{
    return header.substr(std::size_t(n - 1) * kFitsCardBytes, kFitsCardBytes);
}

std::string padded(std::string text)
{
    text.resize(kFitsCardBytes, ' ');
    return text;
}

void setTexts(Program& p)
{
    Settings& s = p.settings;
    s.fitsObject = "M42 Barnard's Loop";
    s.fitsObserver = "A. Observer";
    s.fitsTelescope = "8in SCT";
    s.fitsOrigin = "Backyard";
    s.fitsFilter = "Red";
    s.fitsComment = "Clear sky";
    s.fitsHistory = std::string(300, 'h');
    s.fitsFocalLengthInches = 80;
    s.fitsApertureSquareInches = 50.25;
    p.files.fits.date = "2014-01-07";
    p.files.fits.time = "21:05:09";
    p.files.fits.exposureSeconds = 120;
    p.files.fits.pixelWidth = 6.8;
    p.files.fits.pixelHeight = -6.8;
    p.workspace.ClearHistory();
    p.workspace.AppendHistory("Normal Stretch 100 2000");
    p.workspace.AppendHistory("Unsharp Mask 3 1");
}

TEST(FitsHeader, CardsInTheirOrderAndForms)
{
    test::TestProgram t;
    Program& p = t.program;
    makeImage(p.workspace, true, false, 5, '5');
    setTexts(p);
    const std::string h = buildFitsHeader(p.workspace, p.settings, p.files.fits, FitsForm::Mono16);
    ASSERT_EQ(h.size(), kFitsHeaderBytes);
    EXPECT_EQ(card(h, 1), padded("SIMPLE  =                    T /"));
    EXPECT_EQ(card(h, 2), padded("BITPIX  =                   16 /"));
    EXPECT_EQ(card(h, 3), padded("NAXIS   =                    2 /"));
    EXPECT_EQ(card(h, 4), padded("NAXIS1  =                 1950 /"));
    EXPECT_EQ(card(h, 5), padded("NAXIS2  =                 1308 /"));
    EXPECT_EQ(card(h, 6), padded("OBJECT  = 'M42 Barnard''s Loop'"));
    EXPECT_EQ(card(h, 7), padded("TELESCOP= '8in SCT'"));
    EXPECT_EQ(card(h, 8), padded("INSTRUME= 'Kestrova CCD'"));
    EXPECT_EQ(card(h, 11), padded("DATE-OBS= '2014-01-07'"));
    EXPECT_EQ(card(h, 12), padded("TIME-OBS= '21:05:09'"));
    EXPECT_EQ(card(h, 13), padded("HISTORY = 'Subframe Image        '"));
    EXPECT_EQ(card(h, 14), padded("HISTORY = 'Normal Stretch 100 2000'"));
    EXPECT_EQ(card(h, 16), padded("HISTORY = ''")); // an empty line
    EXPECT_EQ(card(h, 29), "HISTORY = '" + std::string(68, 'h') + "'");
    EXPECT_EQ(card(h, 32), "HISTORY = '" + std::string(68, 'h') + "'"); // characters 205-272
    EXPECT_EQ(card(h, 33), "COMMENT = 'Clear sky" + std::string(59, ' ') + "'");
    EXPECT_EQ(card(h, 37), padded("BZERO   =   +3.2768000000E+04"));
    EXPECT_EQ(card(h, 38), padded("BSCALE  =   +1.0000000000E+00"));
    EXPECT_EQ(card(h, 39), padded("PIXWIDTH=    6.8000000000E+00"));
    EXPECT_EQ(card(h, 40), padded("PIXHEIGH=    -6.8000000000E+00"));
    EXPECT_EQ(card(h, 41), padded("SATURATE=                32768"));
    EXPECT_EQ(card(h, 42), padded("EXPTIME =    1.2000000000E+02"));
    EXPECT_EQ(card(h, 43), padded("FOCALLEN=    8.0000000000E+01"));
    EXPECT_EQ(card(h, 44), padded("APERTURE=    5.0250000000E+01"));
    EXPECT_EQ(card(h, 45), padded("FILTER  = 'Red'"));
    EXPECT_EQ(card(h, 46), padded("ROWORDER= 'TOP-DOWN'"));
    EXPECT_EQ(card(h, 47), padded("END"));
    EXPECT_EQ(card(h, 48), std::string(80, ' '));
    EXPECT_EQ(card(h, 72), std::string(80, ' '));
}

TEST(FitsHeader, FormsChangeOnlyTheirCards)
{
    test::TestProgram t;
    Program& p = t.program;
    const auto header = [&](FitsForm form) { return buildFitsHeader(p.workspace, p.settings, p.files.fits, form); };
    // A full-frame frame still carrying the colour matrix says which.
    makeImage(p.workspace, false, false, 1, '1');
    std::string h = header(FitsForm::Mono16);
    EXPECT_EQ(card(h, 13), padded("HISTORY = 'Fullframe Image       '"));
    EXPECT_EQ(card(h, 46), padded("ROWORDER= 'TOP-DOWN'"));
    EXPECT_EQ(card(h, 47), padded("BAYERPAT= 'BGGR'"));
    EXPECT_EQ(card(h, 48), padded("END"));
    // The 8-bit form carries no offset.
    h = header(FitsForm::Mono8);
    EXPECT_EQ(card(h, 2), padded("BITPIX  =                    8 /"));
    EXPECT_EQ(card(h, 37), padded("BZERO   =   +0.0000000000E+00"));

    makeImage(p.workspace, false, false, 7, '7');
    h = header(FitsForm::Mono16);
    EXPECT_EQ(card(h, 13), padded("HISTORY = 'Fullframe Image Binned'"));
    EXPECT_EQ(card(h, 47), padded("END"));

    makeImage(p.workspace, false, true, 1, '1');
    h = header(FitsForm::Colour16);
    EXPECT_EQ(h.size(), kFitsHeaderBytes);
    EXPECT_EQ(card(h, 1), padded("SIMPLE  =                    F /"));
    EXPECT_EQ(card(h, 3), padded("NAXIS   =                    3 /"));
    EXPECT_EQ(card(h, 6), padded("NAXIS3  =                    4 /"));
    EXPECT_EQ(card(h, 48), padded("END"));
    h = header(FitsForm::Rgb16);
    EXPECT_EQ(card(h, 1), padded("SIMPLE  =                    T /"));
    EXPECT_EQ(card(h, 6), padded("NAXIS3  =                    3 /"));
    EXPECT_EQ(card(h, 47), padded("FILTER1 = 'RED'"));
    EXPECT_EQ(card(h, 50), padded("ROWORDER= 'BOTTOM-UP'"));
    EXPECT_EQ(card(h, 51), padded("END"));
}

struct FitsCase {
    const char* name;
    bool binned, colour;
    std::int16_t mode;
    char digit;
    std::size_t length;
};

void PrintTo(const FitsCase& c, std::ostream* os)
{
    *os << c.name;
}

class FitsRoundTrip : public testing::TestWithParam<FitsCase> {};

TEST_P(FitsRoundTrip, KeepsPixelsModeTextsAndHistory)
{
    const FitsCase& c = GetParam();
    test::TestProgram t;
    Program& p = t.program;
    Workspace& ws = p.workspace;
    makeImage(ws, c.binned, c.colour, c.mode, c.digit);
    setTexts(p);
    p.settings.unsignedIntFits = 'y';
    const auto path = t.dir / "image.FIT";
    ASSERT_TRUE(SaveFitsFile(p, path));
    EXPECT_EQ(p.settings.unsignedIntFits, 'n');
    EXPECT_EQ(std::filesystem::file_size(path), c.length);

    const Settings written = p.settings;
    const FitsObservation observed = p.files.fits;
    makeImage(ws, !c.binned, !c.colour, 3, '3');
    ws.ClearHistory();
    ResetFitsText(p);
    p.settings.fitsOrigin.clear();
    EXPECT_EQ(LoadRawFile(p, path), LoadResult::Image);
    EXPECT_TRUE(t.messages.messages.empty());
    EXPECT_EQ(ws.BinnedMode, c.binned);
    EXPECT_EQ(ws.ColourImage, c.colour);
    EXPECT_EQ(ws.ExposureMode, c.mode);
    EXPECT_EQ(ws.ModeDigit, c.digit);
    EXPECT_TRUE(planeEquals(ws.CurrentImage, ws.PixelCount, 1));
    for (unsigned k = 0; k < 3 && c.colour; ++k)
        EXPECT_TRUE(planeEquals(ws.ColourPlanes[k], ws.PixelCount, 2 + k));
    EXPECT_EQ(ws.HistoryLines[0], "Normal Stretch 100 2000");
    EXPECT_EQ(ws.HistoryLines[1], "Unsharp Mask 3 1");
    EXPECT_EQ(ws.historyLineCount(), 2);
    const Settings& s = p.settings;
    EXPECT_EQ(s.fitsObject, written.fitsObject);
    EXPECT_EQ(s.fitsObserver, written.fitsObserver);
    EXPECT_EQ(s.fitsTelescope, written.fitsTelescope);
    EXPECT_EQ(s.fitsOrigin, written.fitsOrigin);
    EXPECT_EQ(s.fitsFilter, written.fitsFilter);
    EXPECT_EQ(s.fitsComment, written.fitsComment);
    EXPECT_EQ(s.fitsHistory, std::string(255, 'h')); // 272 written, 255 read back
    EXPECT_DOUBLE_EQ(s.fitsFocalLengthInches, 80);
    EXPECT_DOUBLE_EQ(s.fitsApertureSquareInches, 50.25);
    EXPECT_EQ(p.files.fits.date, observed.date);
    EXPECT_EQ(p.files.fits.time, observed.time);
    EXPECT_DOUBLE_EQ(p.files.fits.exposureSeconds, 120);
    EXPECT_DOUBLE_EQ(p.files.fits.pixelWidth, 6.8);
    EXPECT_DOUBLE_EQ(p.files.fits.pixelHeight, -6.8);
    EXPECT_EQ(s.unsignedIntFits, 'n');
}

INSTANTIATE_TEST_SUITE_P(Forms, FitsRoundTrip,
                         testing::Values(FitsCase{"BinnedMono", true, false, 2, '2', kFitsBinnedPaddedLength},
                                         FitsCase{"SubFrame", true, false, 5, '5', kFitsBinnedPaddedLength},
                                         FitsCase{"FullMono", false, false, 1, '1', kFitsFullLength},
                                         FitsCase{"FullField7", false, false, 7, '7', kFitsFullLength},
                                         FitsCase{"BinnedColour", true, true, 2, '2', kFitsFullLength},
                                         FitsCase{"FullColour", false, true, 1, '1', kFitsFullColourLength}),
                         [](const auto& info) { return std::string(info.param.name); });

// cfitsio, an independent reader, sees the values and texts we wrote.
void readWithCfitsio(const std::filesystem::path& path, int expectedBitpix, std::vector<long>& pixels,
                     std::string& object)
{
    fitsfile* f = nullptr;
    int status = 0;
    ASSERT_EQ(fits_open_file(&f, path.c_str(), READONLY, &status), 0) << status;
    int bitpix = 0, naxis = 0;
    long naxes[3] = {0, 0, 0};
    fits_get_img_param(f, 3, &bitpix, &naxis, naxes, &status);
    EXPECT_EQ(bitpix, expectedBitpix);
    EXPECT_EQ(naxis, 2);
    pixels.assign(std::size_t(naxes[0] * naxes[1]), 0);
    int anyNull = 0;
    fits_read_img(f, TLONG, 1, long(pixels.size()), nullptr, pixels.data(), &anyNull, &status);
    char value[FLEN_VALUE] = {0};
    fits_read_key(f, TSTRING, "OBJECT", value, nullptr, &status);
    object = value;
    char rowOrder[FLEN_VALUE] = {0};
    fits_read_key(f, TSTRING, "ROWORDER", rowOrder, nullptr, &status);
    EXPECT_STREQ(rowOrder, "TOP-DOWN");
    fits_close_file(f, &status);
    EXPECT_EQ(status, 0);
}

TEST(FitsCfitsio, ReadsOurSixteenAndEightBitFiles)
{
    test::TestProgram t;
    Program& p = t.program;
    for (const bool binned : {true, false}) {
        makeImage(p.workspace, binned, false, binned ? 2 : 1, binned ? '2' : '1');
        setTexts(p);
        const auto path16 = t.dir / "a16.FIT";
        const auto path8 = t.dir / "a8.FIT";
        ASSERT_TRUE(SaveFitsFile(p, path16));
        p.files.fits.eightBit = true;
        ASSERT_TRUE(SaveFitsFile(p, path8));
        p.files.fits.eightBit = false;
        EXPECT_EQ(std::filesystem::file_size(path8), kFitsHeaderBytes + p.workspace.PixelCount + 1600);

        std::vector<long> pixels;
        std::string object;
        readWithCfitsio(path16, 16, pixels, object);
        ASSERT_EQ(pixels.size(), p.workspace.PixelCount);
        EXPECT_EQ(object, "M42 Barnard's Loop");
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i)
            wrong += pixels[i] != long(p.workspace.CurrentImage[i]);
        EXPECT_EQ(wrong, 0u);

        readWithCfitsio(path8, 8, pixels, object);
        ASSERT_EQ(pixels.size(), p.workspace.PixelCount);
        wrong = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i)
            wrong += pixels[i] != long(p.workspace.CurrentImage[i] >> 8);
        EXPECT_EQ(wrong, 0u);
    }
}

// Rewrites bytes of a saved header: card n (1-based), 0-based column.
void patch(const std::filesystem::path& path, int cardNumber, std::size_t column, const std::string& bytes)
{
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(std::streamoff((cardNumber - 1) * kFitsCardBytes + column));
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

struct HeaderFault {
    const char* name;
    int card;
    std::size_t column; // 0-based
    const char* bytes;
};

void PrintTo(const HeaderFault& c, std::ostream* os)
{
    *os << c.name;
}

class FitsHeaderFault : public testing::TestWithParam<HeaderFault> {};

TEST_P(FitsHeaderFault, IsNotOurs)
{
    const HeaderFault& c = GetParam();
    test::TestProgram t;
    Program& p = t.program;
    makeImage(p.workspace, true, false, 2, '2');
    const auto path = t.dir / "IMG5.FIT";
    ASSERT_TRUE(SaveFitsFile(p, path));
    patch(path, c.card, c.column, c.bytes);
    p.files.ReplayCounter = 3;
    EXPECT_EQ(LoadRawFile(p, path), LoadResult::Failed);
    EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgFitsNotOurs});
    EXPECT_EQ(p.files.ReplayCounter, 3);
    EXPECT_TRUE(p.workspace.BinnedMode);
    EXPECT_EQ(p.workspace.PixelCount, std::size_t(kBinnedWidth) * kBinnedHeight);
}

INSTANTIATE_TEST_SUITE_P(Columns, FitsHeaderFault,
                         testing::Values(HeaderFault{"Bitpix32", 2, 28, "32"}, HeaderFault{"Bitpix8", 2, 28, " 8"},
                                         HeaderFault{"Naxis4", 3, 29, "4"}, HeaderFault{"Naxis1Wrong", 4, 27, "951"},
                                         HeaderFault{"Naxis2Col28", 5, 27, "4"}, HeaderFault{"Naxis2Col29", 5, 28, "2"},
                                         HeaderFault{"Naxis2Col30", 5, 29, "7"},
                                         HeaderFault{"ModeSaysFullFrame", 13, 11, "Fullframe"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FitsReader, UnsignedDataAndShortFiles)
{
    test::TestProgram t;
    Program& p = t.program;
    Workspace& ws = p.workspace;
    makeImage(ws, true, false, 2, '2');
    const auto path = t.dir / "u.FIT";
    ASSERT_TRUE(SaveFitsFile(p, path));
    // With BZERO 0 the stored bytes are the values: v - 32768 reads back as itself.
    patch(path, 37, 0, "BZERO   =   +0.0000000000E+00");
    EXPECT_EQ(LoadRawFile(p, path), LoadResult::Image);
    EXPECT_EQ(p.settings.unsignedIntFits, 'y');
    EXPECT_EQ(ws.CurrentImage[0], 32768); // 0 was written as 0x8000
    EXPECT_EQ(ws.CurrentImage[3], 32767); // 65535 as 0x7fff

    // A reader handed a file that ends inside the header or the data.
    auto bytes = test::readFileBytes(path);
    for (std::size_t cut : {std::size_t(100), kFitsHeaderBytes - 1, kFitsHeaderBytes + 1000}) {
        test::writeFileBytes(t.dir / "cut.FIT", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + long(cut)));
        EXPECT_EQ(ReadFits(p, t.dir / "cut.FIT", kFitsBinnedLength), FitsReadResult::ReadFailed) << cut;
    }
    EXPECT_EQ(ReadFits(p, t.dir / "none.FIT", kFitsBinnedLength), FitsReadResult::ReadFailed);
}

TEST(FitsWriter, FailedSaveKeepsTheOldFile)
{
    test::TestProgram t;
    Program& p = t.program;
    makeImage(p.workspace, true, false, 2, '2');
    EXPECT_FALSE(SaveFitsFile(p, t.dir / "missing" / "a.FIT"));
    std::filesystem::create_directories(t.dir / "blocked.FIT" / "x");
    EXPECT_FALSE(SaveFitsFile(p, t.dir / "blocked.FIT"));
    EXPECT_EQ(t.messages.codes(), (std::vector<int>{kMsgCreateFileFailed, kMsgCreateFileFailed}));
    EXPECT_TRUE(std::filesystem::is_directory(t.dir / "blocked.FIT" / "x"));
}

TEST(FitsQuickSave, NumbersWrapAndTheCounterPersists)
{
    test::TestProgram t;
    Program& p = t.program;
    p.startUp();
    makeImage(p.workspace, true, false, 2, '2');
    p.settings.AutosaveCounter = std::int16_t(std::uint16_t(65528));
    p.settings.AutosaveDir = (t.dir / "night").string();
    EXPECT_TRUE(QuickSaveCommand(p));
    EXPECT_TRUE(std::filesystem::exists(t.dir / "night" / "IMG65529.FIT"));
    EXPECT_TRUE(QuickSaveCommand(p));
    EXPECT_TRUE(std::filesystem::exists(t.dir / "night" / "IMG65530.FIT"));
    EXPECT_TRUE(QuickSaveCommand(p));
    EXPECT_TRUE(std::filesystem::exists(t.dir / "night" / "IMG1.FIT"));
    EXPECT_EQ(autosaveCount(p), 1);

    Settings reloaded;
    ASSERT_EQ(LoadSettings(reloaded, p.paths, t.messages), SettingsResult::Ok);
    EXPECT_EQ(reloaded.AutosaveCounter, 1);
    EXPECT_TRUE(t.messages.messages.empty());
}

TEST(FitsQuickSave, StampsTheMidExposureInUniversalTime)
{
    test::TestProgram t;
    Program& p = t.program;
    p.startUp();
    makeImage(p.workspace, true, false, 2, '2');
    p.files.exposureStart = 1700000000;
    p.files.exposureEnd = 1700000000 + 301; // mid-exposure 150 whole seconds in
    p.settings.utOffsetHours = -5;
    ASSERT_EQ(QuickSaveFits(p), FitsWriteResult::Ok);
    const std::time_t mid = 1700000150;
    std::tm local{};
    ::localtime_r(&mid, &local);
    const FitsDateTime expected = universalTimeFromLocal(local, -5);
    EXPECT_EQ(p.files.fits.date, expected.date);
    EXPECT_EQ(p.files.fits.time, expected.time);
}

TEST(FitsQuickSave, UniversalTimeIsLocalTimePlusTheOffset)
{
    struct Case {
        int year, month, day, hour, minute, second, offset;
        const char *date, *time;
    };
    for (const Case& c : {Case{2014, 1, 7, 21, 5, 9, 0, "2014-01-07", "21:05:09"},
                          Case{2014, 1, 7, 21, 5, 9, 5, "2014-01-08", "02:05:09"},
                          Case{2014, 1, 1, 3, 0, 0, -5, "2013-12-31", "22:00:00"},
                          Case{2016, 2, 28, 23, 59, 59, 11, "2016-02-29", "10:59:59"},
                          Case{2015, 12, 31, 13, 0, 0, 11, "2016-01-01", "00:00:00"}}) {
        std::tm local{};
        local.tm_year = c.year - 1900;
        local.tm_mon = c.month - 1;
        local.tm_mday = c.day;
        local.tm_hour = c.hour;
        local.tm_min = c.minute;
        local.tm_sec = c.second;
        local.tm_isdst = 1; // daylight saving in the local fields changes nothing
        const FitsDateTime ut = universalTimeFromLocal(local, c.offset);
        EXPECT_EQ(ut.date, c.date);
        EXPECT_EQ(ut.time, c.time);
    }
    EXPECT_EQ(midExposure(1000, 1301), 1150);
}

TEST(FitsSave, DateDefaultsOnlyWhenShort)
{
    test::TestProgram t;
    Program& p = t.program;
    p.files.fits.eightBit = true;
    p.files.fits.date = "2014-1-7";
    std::tm when{};
    when.tm_year = 2014 - 1900;
    when.tm_mon = 0;
    when.tm_mday = 7;
    when.tm_hour = 12;
    when.tm_isdst = -1;
    prepareFitsSave(p, std::mktime(&when));
    EXPECT_EQ(p.files.fits.date, "2014-01-07");
    EXPECT_FALSE(p.files.fits.eightBit);
    p.files.fits.date = "1999-12-31";
    prepareFitsSave(p, std::time(nullptr));
    EXPECT_EQ(p.files.fits.date, "1999-12-31");
}

TEST(FitsText, ResetKeepsOriginAndPixelSizes)
{
    test::TestProgram t;
    Program& p = t.program;
    setTexts(p);
    p.settings.fitsInstrument = "Other";
    ResetFitsText(p);
    EXPECT_EQ(p.settings.fitsObject, "");
    EXPECT_EQ(p.settings.fitsHistory, "");
    EXPECT_EQ(p.settings.fitsInstrument, "Kestrova CCD");
    EXPECT_EQ(p.settings.fitsFilter, "None");
    EXPECT_EQ(p.settings.fitsOrigin, "Backyard");
    EXPECT_EQ(p.files.fits.date, "");
    EXPECT_EQ(p.files.fits.exposureSeconds, 0);
    EXPECT_EQ(p.files.fits.pixelWidth, 6.8);
    EXPECT_EQ(p.workspace.historyLineCount(), 0);
}

} // namespace
} // namespace kor
