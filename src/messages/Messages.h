#pragma once

#include "messages/MessageSink.h"

#include <functional>
#include <string>
#include <string_view>

namespace kor {

inline constexpr const char* kProgramTitle = "KOR_T53K_USB";

// Catalogue messages: every code the program raises. Other codes, and the
// codes whose text is empty, show an empty box.
enum MessageCode : int {
    kMsgNoIniFile = 1,
    kMsgOutsideImage = 2,
    kMsgGuideStarLost = 4,
    kMsgNoSuitableGuideStar = 5,
    kMsgDarkOpenFailed = 7,
    kMsgTempBitmapFailed = 8,
    kMsgTempBitmapHeader = 9,
    kMsgTempBitmapFile = 10,
    kMsgKorOpenFailed = 11,
    kMsgNotValidKorOrFits = 12,
    kMsgFitsLoadFailed = 13,
    kMsgFitsNotOurs = 14,
    kMsgNotKorFile = 16,
    kMsgKorSaveFailed = 17,
    kMsgKorCreateFailed = 18,
    kMsgDarkNotKor = 22,
    kMsgIniLoadFailed = 23,
    kMsgIniSaveFailed = 24,
    kMsgFlatOpenFailed = 25,
    kMsgFlatNotKor = 26,
    kMsgIniLoadFailedGuiding = 27,
    kMsgCreateFileFailed = 29,
    kMsgMergeGeometry = 30,
    kMsgAlreadyMerging = 31,
    kMsgBitmapOpenFailed = 32,
    kMsgCannotPickStar = 33,
    kMsgNoTelescope = 34,
    kMsgAnalysisConflict = 35,
    kMsgPhotometryGeometry = 36,
    kMsgAlreadyPhotometry = 37,
    kMsgRowPlotGeometry = 38,
    kMsgNoMoreAutosaved = 40,
    kMsgHotPixelEmpty = 41,
    kMsgOwnText = 50,
    kMsgGuidingTerminated = 51,
    kMsgInvalidDirectory = 52,
    kMsgGuiderNotReady = 53,
    kMsgNoTelescopeConfigured = 55,
    kMsgAlreadyGuidingExternal = 59,
    kMsgAlreadyColour = 68,
    kMsgNotColour = 69,
    kMsgNotSuitableFlat = 70,
    kMsgFlatNeedsColour = 71,
    kMsgRgbFitsNeedsColour = 72,
    kMsgNotInFullScreen = 73,
};

inline constexpr std::size_t kMaxMessageLength = 255;

// The catalogue text of a code; empty for unknown codes and for code 50.
std::string_view messageText(int code);

// Shows catalogue message `code`, titled with the program title. `text` is used
// only for code 50, where it is the whole message, cut at 255 characters.
void ShowMessage(MessageSink& sink, int code, std::string_view text = {});

// A box that is not a catalogue message, with its own title and text.
void ShowFreeText(MessageSink& sink, std::string_view title, std::string_view text);

// Passes on a non-negative result of a serial-port call. A negative one is
// shown as "ERROR <value> " (message 50), the serial port is closed through
// `closeSerialPort`, and the result is -1.
int CheckSerialResult(int value, MessageSink& sink, const std::function<void()>& closeSerialPort);

} // namespace kor
