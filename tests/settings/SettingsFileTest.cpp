#include "messages/MessageSink.h"
#include "platform/Paths.h"
#include "settings/SettingsFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

namespace kor {
namespace {

// Field sizes in bytes, field 1 first, written down from the file layout
// independently of the codec.
constexpr int kFieldSizes[101] = {
    2, 2, 1, 2, 2, 2, 1, 1, 2, 2, 2, 2, 1, 1, 1, 2, 2, 4,             // 1-18
    1, 1, 1, 2, 1, 1, 2, 2, 1, 1,                                     // 19-28
    80, 80, 80, 80, 80, 80, 80, 80, 80, 80, 80, 80, 80, 80,           // 29-42
    8, 8, 1, 1, 100, 2, 2, 2, 2, 2, 2, 1, 1, 2, 1, 2, 80,             // 43-59
    1, 1, 1, 1, 1, 1, 2, 1, 2, 1, 1, 2, 2, 1, 1, 1,                   // 60-75
    2, 2, 2, 2, 1, 2, 1, 1, 1, 1, 1, 1, 1, 2, 1, 1, 1, 1,             // 76-93
    1, 1, 1, 1, 2, 1, 1, 1,                                           // 94-101
};

// Byte offset of field n (1-based); offset(102) is the file length.
std::size_t offset(int n)
{
    return std::size_t(std::accumulate(kFieldSizes, kFieldSizes + (n - 1), 0));
}

// Settings with a value other than the default in many fields, valid for every check.
Settings unusual()
{
    Settings s;
    s.AutosaveCounter = 1234;
    s.utOffsetHours = -5;
    s.telescopeComPort = '2';
    s.unused4 = 77;
    s.guideStarMaskRadius = 13;
    s.windowBackground = 'r';
    s.focusDelayOneSecond = '1';
    s.raPixelsPerSecond = 7;
    s.decPixelsPerSecond = 9;
    s.raBacklash = 30;
    s.decBacklash = 12;
    s.ignoreDriftBelowThreshold = '0';
    s.telescopeType = 'l';
    s.raHysteresis = 20;
    s.driveDirections = {'s', 'n', 'w', 'e'};
    s.autoProcessing = {'n', 'y', 'n', 18, 'y', 'y', 5, 6, 'y'};
    s.unused28 = 'y';
    s.fitsObject = "M42";
    s.fitsTelescope = "Newtonian 10in";
    s.fitsObserver = "A. Observer";
    s.fitsOrigin = std::string(68, 'o');
    s.fitsHistory = std::string(255, 'h');
    s.fitsComment = "dark skies";
    s.fitsFilter = "Red";
    s.fitsFocalLengthInches = 47.25;
    s.fitsApertureSquareInches = -0.5;
    s.showInterfaceDetails = 'n';
    s.AutosaveDir = "/data/night";
    s.guiderRaPixelsPerSecond = 3;
    s.guiderDecBacklash = 30;
    s.guiderDecHysteresis = 20;
    s.ignoreBacklash = 'n';
    s.serialFilterWheel = 'y';
    s.guiderDefaultAngle = -37.9;
    s.filterCount = 5;
    s.filterNames = {"L", "R", "G", "B", "Ha", "OIII", "SII", "123456789"};
    s.colourPixelOffset = 'y';
    s.irFilterUsed = 'y';
    s.colourSetting = 9;
    s.ignoreCameraVidPid = 'y';
    s.aoTrainedDecScale = 49;
    s.aoParallelMode = 'y';
    s.aoPortSelect = 3;
    s.guideDrive = 'A';
    s.guiderDirections = {'s', 'n', 'w', 'e'};
    s.aoPcComPort = 2;
    s.guiderClearCamera = 'y';
    s.noSouthCorrections = 'y';
    s.driftThresholdMilliPixels = 200;
    s.tiff16Bit = 'y';
    s.forceMaximumCooling = 'y';
    return s;
}

class SettingsFileTest : public testing::Test {
protected:
    test::TempDir dir;
    Paths paths{dir.path() / "autosave"};
    RecordingMessageSink sink;

    std::vector<std::uint8_t> fileBytes() const { return test::readFileBytes(paths.settingsFile()); }
    void writeFile(const std::vector<std::uint8_t>& bytes)
    {
        std::filesystem::create_directories(paths.root());
        test::writeFileBytes(paths.settingsFile(), bytes);
    }
};

TEST_F(SettingsFileTest, FirstStartCreatesTheRootAndWritesTheDefaults)
{
    Settings s;
    EXPECT_EQ(LoadSettings(s, paths, sink), SettingsResult::Ok);
    EXPECT_TRUE(sink.messages.empty());
    const auto bytes = fileBytes();
    ASSERT_EQ(bytes.size(), kSettingsFileSize);
    ASSERT_EQ(offset(102), kSettingsFileSize);

    const auto at = [&](int field, std::size_t len) {
        return std::string(bytes.begin() + long(offset(field)), bytes.begin() + long(offset(field) + len));
    };
    EXPECT_EQ(at(5, 2), std::string("\x08\x00", 2));
    EXPECT_EQ(at(6, 2), std::string("\x01\x00", 2));
    EXPECT_EQ(at(7, 1), "l");
    EXPECT_EQ(at(18, 4), "nsew");
    EXPECT_EQ(at(19, 10), std::string("nnn\x04\x00nn\x03\x00\x01", 10));
    EXPECT_EQ(at(29, 80), "OBJECT  = ''" + std::string(68, ' '));
    EXPECT_EQ(at(31, 80), "INSTRUME= 'Kestrova CCD'" + std::string(56, ' '));
    EXPECT_EQ(at(34, 80), "HISTORY = '" + std::string(68, ' ') + "'");
    EXPECT_EQ(at(37, 80), "HISTORY = '" + std::string(51, ' ') + "'" + std::string(17, ' '));
    EXPECT_EQ(at(42, 80), "FILTER  = 'None'" + std::string(64, ' '));
    EXPECT_EQ(at(43, 16), std::string(16, '\0'));
    EXPECT_EQ(at(45, 2), "yy");
    EXPECT_EQ(at(47, 100), std::string(1, '\0') + std::string(99, ' '));
    EXPECT_EQ(at(48, 12), std::string("\x06\x00\x06\x00\x00\x00\x00\x00\x00\x00\x00\x00", 12));
    EXPECT_EQ(at(59, 20), std::string("Blank\0\0\0\0\0Filter 2\0\0", 20));
    EXPECT_EQ(at(76, 8), std::string("\x06\x00\x06\x00\x06\x00\x06\x00", 8));
    EXPECT_EQ(at(82, 5), "Tnsew");
    EXPECT_EQ(at(90, 4), "NSTW");
    EXPECT_EQ(at(98, 2), "\xE8\x03");
    EXPECT_EQ(at(99, 3), "nnn");

    // Run again, the file is there and loads cleanly.
    Settings again;
    EXPECT_EQ(LoadSettings(again, paths, sink), SettingsResult::Ok);
    Settings expected;
    expected.unsignedIntFits = 'n';
    expected.fitsHistory = std::string(255, ' '); // the long texts come back padded
    expected.fitsComment = std::string(255, ' ');
    EXPECT_EQ(again, expected);
}

TEST_F(SettingsFileTest, EveryFieldRoundTrips)
{
    const Settings s = unusual();
    ASSERT_EQ(SaveSettings(s, paths), SettingsResult::Ok);
    ASSERT_EQ(fileBytes().size(), kSettingsFileSize);
    Settings loaded;
    ASSERT_EQ(LoadSettings(loaded, paths, sink), SettingsResult::Ok);
    Settings expected = s;
    expected.unsignedIntFits = 'n';      // cleared on every load
    expected.guiderDefaultAngle = -37;   // stored truncated toward zero
    expected.fitsComment.resize(255, ' ');
    EXPECT_EQ(loaded, expected);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SettingsFileTest, WriteLimits)
{
    struct Case {
        int field;
        std::int16_t Settings::*member;
        std::int16_t value, written;
    };
    const Case cases[] = {
        {9, &Settings::raPixelsPerSecond, 50, 10},     {9, &Settings::raPixelsPerSecond, 49, 49},
        {10, &Settings::decPixelsPerSecond, 300, 10},  {11, &Settings::raBacklash, 50, 10},
        {12, &Settings::decBacklash, 50, 0},           {12, &Settings::decBacklash, 49, 49},
        {16, &Settings::raHysteresis, 99, 10},         {17, &Settings::decHysteresis, 32767, 10},
        {48, &Settings::guiderRaPixelsPerSecond, 51, 10}, {49, &Settings::guiderDecPixelsPerSecond, 51, 10},
        {50, &Settings::guiderRaBacklash, 51, 10},     {51, &Settings::guiderDecBacklash, 51, 0},
        {52, &Settings::guiderRaHysteresis, 51, 10},   {53, &Settings::guiderDecHysteresis, 51, 10},
        {76, &Settings::aoRaScale, 60, 10},            {79, &Settings::aoTrainedDecScale, 60, 10},
        {1, &Settings::AutosaveCounter, 30000, 30000}, // not limited
        {10, &Settings::decPixelsPerSecond, -4, -4},   // negative values are not limited
    };
    for (const auto& c : cases) {
        Settings s;
        s.*c.member = c.value;
        const auto bytes = encodeSettings(s);
        ASSERT_EQ(bytes.size(), kSettingsFileSize);
        const auto v = std::int16_t(bytes[offset(c.field)] | (bytes[offset(c.field) + 1] << 8));
        EXPECT_EQ(v, c.written) << "field " << c.field << " value " << c.value;
        EXPECT_EQ(s.*c.member, c.value) << "the value held is not changed";
    }
}

TEST_F(SettingsFileTest, DamagedFieldRewritesTheFileFromTheValuesHeld)
{
    struct Case {
        const char* what;
        int field;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"Dec backlash 40", 12, {40, 0}},
        {"RA backlash -1", 11, {0xFF, 0xFF}},
        {"background letter", 7, {'x'}},
        {"drift flag", 13, {'y'}},
        {"download flag", 15, {'2'}},
        {"telescope type", 14, {'q'}},
        {"drive directions", 18, {'n', 's', 'e', 'x'}},
        {"user power 37", 22, {37, 0}},
        {"user power 0", 22, {0, 0}},
        {"high-pass flag", 23, {'1'}},
        {"unsharp flag", 24, {'Y'}},
        {"unsharp diameter 7", 25, {7, 0}},
        {"unsharp power 0", 26, {0, 0}},
        {"remove background flag", 27, {'0'}},
        {"guider RA backlash 31", 50, {31, 0}},
        {"guider Dec backlash -2", 51, {0xFE, 0xFF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Settings source = unusual();
        auto bytes = encodeSettings(source);
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + long(offset(c.field)));
        writeFile(bytes);

        Settings held; // defaults, as at start-up
        EXPECT_EQ(LoadSettings(held, paths, sink), SettingsResult::Ok);
        // Fields before the damaged one were read, the damaged one and those after keep what was held.
        EXPECT_EQ(held.AutosaveCounter, source.AutosaveCounter);
        EXPECT_EQ(held.guideDrive, 'T');
        EXPECT_EQ(held.fitsFilter, c.field < 42 ? "None" : source.fitsFilter);
        EXPECT_EQ(held.telescopeType, c.field <= 14 ? 'n' : source.telescopeType);
        if (c.field == 12) {
            EXPECT_EQ(held.raBacklash, source.raBacklash);
            EXPECT_EQ(held.decBacklash, 0);
        }
        // The file now holds exactly those values, and a later load succeeds without a rewrite.
        EXPECT_EQ(fileBytes(), encodeSettings(held));
        Settings later = held;
        EXPECT_EQ(LoadSettings(later, paths, sink), SettingsResult::Ok);
        EXPECT_EQ(fileBytes(), encodeSettings(held));
        EXPECT_TRUE(sink.messages.empty());
    }
}

TEST_F(SettingsFileTest, BadCommPortIsReportedAndLoadingGoesOn)
{
    auto bytes = encodeSettings(unusual());
    bytes[offset(3)] = '3';
    writeFile(bytes);
    Settings s;
    EXPECT_EQ(LoadSettings(s, paths, sink), SettingsResult::Ok);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], (Message{Message::kFreeText, "KOR_T53K_USB", "Failed to read comm port value"}));
    EXPECT_EQ(s.telescopeComPort, '1');
    EXPECT_EQ(s.forceMaximumCooling, 'y');
}

TEST_F(SettingsFileTest, OutOfRangeValuesThatAreReplacedOnLoad)
{
    auto bytes = encodeSettings(unusual());
    bytes[offset(66)] = 10;  // colour setting: 3 when outside 1 to 9
    bytes[offset(58)] = 9;   // filter count: 7 when outside 1 to 8
    bytes[offset(45)] = 'y'; // always cleared
    writeFile(bytes);
    Settings s;
    EXPECT_EQ(LoadSettings(s, paths, sink), SettingsResult::Ok);
    EXPECT_EQ(s.colourSetting, 3);
    EXPECT_EQ(s.filterCount, 7);
    EXPECT_EQ(s.unsignedIntFits, 'n');
    EXPECT_EQ(fileBytes(), bytes) << "no rewrite for these";
}

TEST_F(SettingsFileTest, ShortFiles)
{
    const Settings source = unusual();
    const auto full = encodeSettings(source);
    struct Case {
        int cutBeforeField;
        bool warning;
    };
    for (const Case c : {Case{63, true}, Case{71, true}, Case{72, false}, Case{81, false}, Case{2, false},
                         Case{62, false}, Case{101, false}}) {
        SCOPED_TRACE(testing::Message() << "cut before field " << c.cutBeforeField);
        sink.messages.clear();
        writeFile({full.begin(), full.begin() + long(offset(c.cutBeforeField))});
        Settings s;
        EXPECT_EQ(LoadSettings(s, paths, sink), SettingsResult::LoadFailed);
        if (c.warning) {
            ASSERT_EQ(sink.messages.size(), 1u);
            EXPECT_EQ(sink.messages[0], (Message{Message::kFreeText, "", "Warning!\nNo INI file found, please set defaults..."}));
        } else {
            EXPECT_TRUE(sink.messages.empty());
        }
        if (c.cutBeforeField == 63) {
            EXPECT_EQ(s.applyAntiAlias, source.applyAntiAlias); // field 62 kept
            EXPECT_EQ(s.irFilterUsed, 'n');
        }
        if (c.cutBeforeField == 81) {
            EXPECT_EQ(s.aoParallelMode, 'y'); // field 80 kept
            EXPECT_EQ(s.aoPortSelect, 0);
        }
        EXPECT_EQ(fileBytes().size(), offset(c.cutBeforeField)) << "a short file is not rewritten";
    }
}

TEST_F(SettingsFileTest, TruncationAtEveryBytePosition)
{
    const Settings source = unusual();
    const auto full = encodeSettings(source);
    int field = 1; // the field that byte n falls in
    for (std::size_t n = 0; n < full.size(); ++n) {
        while (offset(field + 1) <= n)
            ++field;
        std::vector<std::uint8_t> cut(full.begin(), full.begin() + long(n));
        RecordingMessageSink messages;
        Settings s;
        const DecodeOutcome outcome = decodeSettings(cut, s, messages);
        ASSERT_EQ(outcome.end, DecodeOutcome::End::ShortRead) << n;
        ASSERT_EQ(outcome.field, field) << n;
        ASSERT_EQ(messages.messages.size(), (field >= 63 && field <= 71) ? 1u : 0u) << n;
        // Everything before the cut field was read: re-encoding gives the same bytes.
        const auto again = encodeSettings(s);
        const std::size_t keep = std::min(offset(field), offset(45));
        ASSERT_TRUE(std::equal(again.begin(), again.begin() + long(keep), full.begin())) << n;
    }
}

TEST_F(SettingsFileTest, RandomFilesNeverBreakTheLoaderAndARewriteLoadsCleanly)
{
    std::mt19937 rng(20261210);
    for (int round = 0; round < 300; ++round) {
        std::size_t length = rng() % 1600;
        if (round % 3 == 0)
            length = kSettingsFileSize;
        std::vector<std::uint8_t> bytes(length);
        for (auto& b : bytes)
            b = std::uint8_t(rng());
        if (round % 2 == 0) {
            // Mostly valid file with random damage, so that the loader gets deep.
            auto good = encodeSettings(unusual());
            good.resize(length, ' ');
            for (int k = 0; k < 3; ++k)
                if (!good.empty())
                    good[rng() % good.size()] = std::uint8_t(rng());
            bytes = good;
        }
        writeFile(bytes);
        Settings s;
        const SettingsResult first = LoadSettings(s, paths, sink);
        ASSERT_TRUE(first == SettingsResult::Ok || first == SettingsResult::LoadFailed) << round;
        if (first == SettingsResult::Ok) {
            Settings later = s;
            ASSERT_EQ(LoadSettings(later, paths, sink), SettingsResult::Ok) << round;
        }
    }
}

TEST_F(SettingsFileTest, DirectoryWithoutTerminatorIsReadToTheFieldEnd)
{
    auto bytes = encodeSettings(Settings{});
    std::fill_n(bytes.begin() + long(offset(47)), 100, std::uint8_t('d'));
    writeFile(bytes);
    Settings s;
    EXPECT_EQ(LoadSettings(s, paths, sink), SettingsResult::Ok);
    EXPECT_EQ(s.AutosaveDir, std::string(100, 'd'));
    // Written back, it is cut so that the terminator fits.
    const auto again = encodeSettings(s);
    EXPECT_EQ(again.size(), kSettingsFileSize);
    EXPECT_EQ(again[offset(47) + 99], 0);
}

TEST_F(SettingsFileTest, HistoryTextOf200CharactersComesBackPaddedTo255)
{
    Settings s;
    s.fitsHistory = std::string(200, 'x');
    ASSERT_EQ(SaveSettings(s, paths), SettingsResult::Ok);
    Settings loaded;
    ASSERT_EQ(LoadSettings(loaded, paths, sink), SettingsResult::Ok);
    EXPECT_EQ(loaded.fitsHistory, std::string(200, 'x') + std::string(55, ' '));
    EXPECT_EQ(loaded.fitsComment, std::string(255, ' '));
}

TEST_F(SettingsFileTest, FileWithoutField28ReadsItsByteAsTheStartOfField29)
{
    Settings source = unusual();
    auto full = encodeSettings(source);
    std::vector<std::uint8_t> old(full.begin(), full.begin() + long(offset(28)));
    old.insert(old.end(), full.begin() + long(offset(29)), full.end());
    ASSERT_EQ(old.size(), kSettingsFileSize - 1);
    writeFile(old);
    Settings s;
    EXPECT_EQ(LoadSettings(s, paths, sink), SettingsResult::Ok);
    EXPECT_EQ(s.fitsObject, "M42");
    EXPECT_EQ(s.unused28, 'n');
    EXPECT_EQ(s.forceMaximumCooling, 'y');
}

TEST_F(SettingsFileTest, UnreadableFileAndUnwritableRoot)
{
    // The settings file's name is taken by a directory.
    std::filesystem::create_directories(paths.settingsFile());
    Settings s;
    EXPECT_EQ(LoadSettings(s, paths, sink), SettingsResult::LoadFailed);
    EXPECT_EQ(SaveSettings(s, paths), SettingsResult::SaveFailed);
    EXPECT_TRUE(std::filesystem::is_directory(paths.settingsFile()));

    // The root is a plain file: nothing can be created in it.
    test::writeFileBytes(dir / "plain", {1});
    Paths blocked(dir / "plain");
    EXPECT_EQ(SaveSettings(s, blocked), SettingsResult::SaveFailed);
    EXPECT_EQ(LoadSettings(s, blocked, sink), SettingsResult::LoadFailed);
}

TEST_F(SettingsFileTest, ListingHasEveryFieldOnItsOwnLine)
{
    const std::string listing = listSettings(Settings{});
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = listing.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(listing.substr(start, nl - start));
    ASSERT_EQ(lines.size(), 101u);
    for (int i = 0; i < 101; ++i)
        EXPECT_EQ(lines[i].substr(0, lines[i].find(' ')), std::to_string(i + 1));
    EXPECT_EQ(lines[30], "31 fitsInstrument \"Kestrova CCD\"");
    EXPECT_EQ(lines[97], "98 driftThresholdMilliPixels 1000");
    EXPECT_EQ(lines[58], "59 filterNames \"Blank\" \"Filter 2\" \"Filter 3\" \"Filter 4\" \"Filter 5\" \"Filter 6\" "
                         "\"Filter 7\" \"Filter 8\"");
}

} // namespace
} // namespace kor
