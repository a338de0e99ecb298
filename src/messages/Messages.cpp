#include "messages/Messages.h"

#include <cstdio>
#include <utility>

namespace kor {

namespace {

constexpr std::pair<int, std::string_view> kCatalogue[] = {
    {1, "Warning!\nNo INI file found, please set defaults..."},
    {2, "Sorry, outside Image area - try again"},
    {4, "Sorry. Guide star lost.\n\nStar may have moved more than 10 pixels, or has different "
        "intensity to previous reading (+/-5%)"},
    {5, "Sorry. Cannot find suitable guide star\n\nStar must be at least +/-5% of next brightest."},
    {7, "Failed to Open Darkframe KOR File"},
    {8, "Failed to create temp bitmap"},
    {9, "Unable to create temp bitmap file header"},
    {10, "Unable to create temp bitmap file"},
    {11, "Failed to Open KOR File"},
    {12, "You didn't choose a valid KOR or suitable FITs File"},
    {13, "Unable to load FITS file"},
    {14, "Unable to load FITS file, File was not saved by this program"},
    {16, "Sorry, you didn't choose a KOR File"},
    {17, "Failed to Save KOR File"},
    {18, "Unable to create/overwrite KOR File"},
    {22, "Sorry, chosen Darkframe is not an KOR File"},
    {23, "Unable to load INI file, please delete and try again"},
    {24, "Unable to save INI file, please check disk space"},
    {25, "Failed to Open Flatfield KOR File"},
    {26, "Sorry, chosen Flatfield is not a KOR File"},
    {27, "Unable to load INI file, please delete and try again"},
    {29, "Unable to create file, check disk space"},
    {30, "Sorry, Merging only available in standard Geometry. Ensure Image is not stretched to fit "
         "window or in KOR geometry."},
    {31, "Sorry, you are already in Merging mode."},
    {32, "Cannot open bitmap file"},
    {33, "Sorry. Cannot Pick Star in ths display mode"},
    {34, "Sorry. No Connection to Telescope"},
    {35, "Sorry, you cannot run Photometry, Row Plot and Merging at the same time"},
    {36, "Sorry, Photometry only available in standard Geometry. Ensure Image is not stretched to "
         "fit window or in Quorv geometry."},
    {37, "Sorry, you are already in Photometry mode. Click left Mouse button when on object you "
         "wish to measure"},
    {38, "Sorry, Row Plot only available in standard Geometry. Ensure Image is not stretched to "
         "fit window or in Quorv geometry."},
    {40, "Sorry, you must first load an autosaved file to start the sequence, or there are no "
         "more files"},
    {51, "AutoGuiding Terminated"},
    {52, "Sorry, Invalid directory"},
    {59, "Sorry, already guiding with external camera"},
    {68, "Already Colour Converted"},
    {69, "Image Not Colour Converted"},
    {70, "Sorry, this is not a suitable Flat file"},
    {71, "Sorry, you can only save a colour converted file as a Flat file"},
    {72, "Sorry, you can only save a colour converted file as a RGB FITS file"},
    {73, "Sorry, Not available in full screen display"},
};

} // namespace

std::string_view messageText(int code)
{
    for (const auto& [c, text] : kCatalogue)
        if (c == code)
            return text;
    return {};
}

void ShowMessage(MessageSink& sink, int code, std::string_view text)
{
    std::string_view chosen = code == kMsgOwnText ? text : messageText(code);
    if (chosen.size() > kMaxMessageLength)
        chosen = chosen.substr(0, kMaxMessageLength);
    sink.show(Message{code, kProgramTitle, std::string(chosen)});
}

void ShowFreeText(MessageSink& sink, std::string_view title, std::string_view text)
{
    sink.show(Message{Message::kFreeText, std::string(title), std::string(text)});
}

int CheckSerialResult(int value, MessageSink& sink, const std::function<void()>& closeSerialPort)
{
    if (value >= 0)
        return value;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "ERROR %d ", value);
    ShowMessage(sink, kMsgOwnText, buffer);
    if (closeSerialPort)
        closeSerialPort();
    return -1;
}

void StreamMessageSink::show(const Message& message)
{
    if (message.text.empty())
        std::fprintf(m_stream, "%s: message %d\n", message.title.c_str(), message.code);
    else
        std::fprintf(m_stream, "%s\n", message.text.c_str());
    std::fflush(m_stream);
}

} // namespace kor
