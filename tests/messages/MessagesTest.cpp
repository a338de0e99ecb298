#include "messages/Messages.h"

#include <gtest/gtest.h>

namespace kor {
namespace {

TEST(Messages, CatalogueTextsAndTitle)
{
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {1, "Warning!\nNo INI file found, please set defaults..."},
        {4, "Sorry. Guide star lost.\n\nStar may have moved more than 10 pixels, or has different intensity to "
            "previous reading (+/-5%)"},
        {12, "You didn't choose a valid KOR or suitable FITs File"},
        {23, "Unable to load INI file, please delete and try again"},
        {27, "Unable to load INI file, please delete and try again"},
        {33, "Sorry. Cannot Pick Star in ths display mode"},
        {52, "Sorry, Invalid directory"},
        {69, "Image Not Colour Converted"},
        {73, "Sorry, Not available in full screen display"},
        // codes with an empty text, codes outside the table
        {0, ""}, {3, ""}, {41, ""}, {53, ""}, {55, ""}, {74, ""}, {-5, ""}, {32767, ""},
    };
    for (const auto& c : cases) {
        RecordingMessageSink sink;
        ShowMessage(sink, c.code, "ignored except for code 50");
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0], (Message{c.code, "KOR_T53K_USB", c.text})) << "code " << c.code;
    }
}

TEST(Messages, EveryNonEmptyTextFitsTheBox)
{
    for (int code = -1; code <= 80; ++code)
        EXPECT_LE(messageText(code).size(), kMaxMessageLength) << code;
}

TEST(Messages, OwnTextIsShownWholeUpTo255Characters)
{
    RecordingMessageSink sink;
    ShowMessage(sink, kMsgOwnText, "");
    ShowMessage(sink, kMsgOwnText, "Focus star too faint");
    ShowMessage(sink, kMsgOwnText, std::string(300, 'x'));
    ASSERT_EQ(sink.messages.size(), 3u);
    EXPECT_EQ(sink.messages[0].text, "");
    EXPECT_EQ(sink.messages[1].text, "Focus star too faint");
    EXPECT_EQ(sink.messages[2].text, std::string(255, 'x'));
}

TEST(Messages, CheckSerialResult)
{
    RecordingMessageSink sink;
    int closes = 0;
    const auto close = [&] { ++closes; };
    EXPECT_EQ(CheckSerialResult(0, sink, close), 0);
    EXPECT_EQ(CheckSerialResult(17, sink, close), 17);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(closes, 0);

    EXPECT_EQ(CheckSerialResult(-3, sink, close), -1);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], (Message{50, "KOR_T53K_USB", "ERROR -3 "}));
    EXPECT_EQ(closes, 1);
}

} // namespace
} // namespace kor
