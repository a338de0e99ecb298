#pragma once

#include "settings/Settings.h"

namespace kor {

// The settings file's field sequence, in file order, as calls on a visitor.
// The reader, the writer and the listing all walk this one list, so the layout
// is written down exactly once. `S` is Settings or const Settings.
//
// Visitor calls (n is the field number, 1-101):
//   shortField(n, name, int16_t&)
//   charField(n, name, char&)            flags and letters, one byte
//   lettersField(n, name, array<char,4>&) four bytes
//   cardField(n, name, keyword, string&) one 80-byte FITS card
//   cardPiece(n, name, keyword, string&, piece) one of four cards that share a text
//   doubleField(n, name, double&)        8-byte IEEE little-endian
//   truncatedShortField(n, name, double&) a value held as a double, stored as a short
//   directoryField(n, name, string&)     100 bytes
//   filterNamesField(n, name, array<string,8>&) eight texts of 10 bytes
template <typename S, typename V>
void visitSettingsFields(S& s, V& v)
{
    auto& ap = s.autoProcessing;
    v.shortField(1, "AutosaveCounter", s.AutosaveCounter);
    v.shortField(2, "utOffsetHours", s.utOffsetHours);
    v.charField(3, "telescopeComPort", s.telescopeComPort);
    v.shortField(4, "unused4", s.unused4);
    v.shortField(5, "guideStarMaskRadius", s.guideStarMaskRadius);
    v.shortField(6, "unused6", s.unused6);
    v.charField(7, "windowBackground", s.windowBackground);
    v.charField(8, "focusDelayOneSecond", s.focusDelayOneSecond);
    v.shortField(9, "raPixelsPerSecond", s.raPixelsPerSecond);
    v.shortField(10, "decPixelsPerSecond", s.decPixelsPerSecond);
    v.shortField(11, "raBacklash", s.raBacklash);
    v.shortField(12, "decBacklash", s.decBacklash);
    v.charField(13, "ignoreDriftBelowThreshold", s.ignoreDriftBelowThreshold);
    v.charField(14, "telescopeType", s.telescopeType);
    v.charField(15, "disableInterruptsDuringDownload", s.disableInterruptsDuringDownload);
    v.shortField(16, "raHysteresis", s.raHysteresis);
    v.shortField(17, "decHysteresis", s.decHysteresis);
    v.lettersField(18, "driveDirections", s.driveDirections);
    v.charField(19, "weakStretch", ap.weakStretch);
    v.charField(20, "strongStretch", ap.strongStretch);
    v.charField(21, "userStretch", ap.userStretch);
    v.shortField(22, "userStretchPower", ap.userStretchPower);
    v.charField(23, "highPassLowPower", ap.highPassLowPower);
    v.charField(24, "unsharpMask", ap.unsharpMask);
    v.shortField(25, "unsharpDiameter", ap.unsharpDiameter);
    v.shortField(26, "unsharpPower", ap.unsharpPower);
    v.charField(27, "removeBackground", ap.removeBackground);
    v.charField(28, "unused28", s.unused28);
    v.cardField(29, "fitsObject", "OBJECT", s.fitsObject);
    v.cardField(30, "fitsTelescope", "TELESCOP", s.fitsTelescope);
    v.cardField(31, "fitsInstrument", "INSTRUME", s.fitsInstrument);
    v.cardField(32, "fitsObserver", "OBSERVER", s.fitsObserver);
    v.cardField(33, "fitsOrigin", "ORIGIN", s.fitsOrigin);
    v.cardPiece(34, "fitsHistory1", "HISTORY", s.fitsHistory, 0);
    v.cardPiece(35, "fitsHistory2", "HISTORY", s.fitsHistory, 1);
    v.cardPiece(36, "fitsHistory3", "HISTORY", s.fitsHistory, 2);
    v.cardPiece(37, "fitsHistory4", "HISTORY", s.fitsHistory, 3);
    v.cardPiece(38, "fitsComment1", "COMMENT", s.fitsComment, 0);
    v.cardPiece(39, "fitsComment2", "COMMENT", s.fitsComment, 1);
    v.cardPiece(40, "fitsComment3", "COMMENT", s.fitsComment, 2);
    v.cardPiece(41, "fitsComment4", "COMMENT", s.fitsComment, 3);
    v.cardField(42, "fitsFilter", "FILTER", s.fitsFilter);
    v.doubleField(43, "fitsFocalLengthInches", s.fitsFocalLengthInches);
    v.doubleField(44, "fitsApertureSquareInches", s.fitsApertureSquareInches);
    v.charField(45, "unsignedIntFits", s.unsignedIntFits);
    v.charField(46, "showInterfaceDetails", s.showInterfaceDetails);
    v.directoryField(47, "AutosaveDir", s.AutosaveDir);
    v.shortField(48, "guiderRaPixelsPerSecond", s.guiderRaPixelsPerSecond);
    v.shortField(49, "guiderDecPixelsPerSecond", s.guiderDecPixelsPerSecond);
    v.shortField(50, "guiderRaBacklash", s.guiderRaBacklash);
    v.shortField(51, "guiderDecBacklash", s.guiderDecBacklash);
    v.shortField(52, "guiderRaHysteresis", s.guiderRaHysteresis);
    v.shortField(53, "guiderDecHysteresis", s.guiderDecHysteresis);
    v.charField(54, "ignoreBacklash", s.ignoreBacklash);
    v.charField(55, "serialFilterWheel", s.serialFilterWheel);
    v.truncatedShortField(56, "guiderDefaultAngle", s.guiderDefaultAngle);
    v.charField(57, "ignoreRaAngle", s.ignoreRaAngle);
    v.shortField(58, "filterCount", s.filterCount);
    v.filterNamesField(59, "filterNames", s.filterNames);
    v.charField(60, "colourLineOffset", s.colourLineOffset);
    v.charField(61, "colourPixelOffset", s.colourPixelOffset);
    v.charField(62, "applyAntiAlias", s.applyAntiAlias);
    v.charField(63, "weakStretch", ap.weakStretch);
    v.charField(64, "strongStretch", ap.strongStretch);
    v.charField(65, "irFilterUsed", s.irFilterUsed);
    v.shortField(66, "colourSetting", s.colourSetting);
    v.charField(67, "userStretch", ap.userStretch);
    v.shortField(68, "userStretchPower", ap.userStretchPower);
    v.charField(69, "highPassLowPower", ap.highPassLowPower);
    v.charField(70, "unsharpMask", ap.unsharpMask);
    v.shortField(71, "unsharpDiameter", ap.unsharpDiameter);
    v.shortField(72, "unsharpPower", ap.unsharpPower);
    v.charField(73, "removeBackground", ap.removeBackground);
    v.charField(74, "colourSmoothingFilter", s.colourSmoothingFilter);
    v.charField(75, "ignoreCameraVidPid", s.ignoreCameraVidPid);
    v.shortField(76, "aoRaScale", s.aoRaScale);
    v.shortField(77, "aoDecScale", s.aoDecScale);
    v.shortField(78, "aoTrainedRaScale", s.aoTrainedRaScale);
    v.shortField(79, "aoTrainedDecScale", s.aoTrainedDecScale);
    v.charField(80, "aoParallelMode", s.aoParallelMode);
    v.shortField(81, "aoPortSelect", s.aoPortSelect);
    v.charField(82, "guideDrive", s.guideDrive);
    v.charField(83, "guiderDirection1", s.guiderDirections[0]);
    v.charField(84, "guiderDirection2", s.guiderDirections[1]);
    v.charField(85, "guiderDirection3", s.guiderDirections[2]);
    v.charField(86, "guiderDirection4", s.guiderDirections[3]);
    v.charField(87, "aoUnitAvailable", s.aoUnitAvailable);
    v.charField(88, "aoHalfRate", s.aoHalfRate);
    v.shortField(89, "aoPcComPort", s.aoPcComPort);
    v.charField(90, "directionLetter1", s.directionLetters[0]);
    v.charField(91, "directionLetter2", s.directionLetters[1]);
    v.charField(92, "directionLetter3", s.directionLetters[2]);
    v.charField(93, "directionLetter4", s.directionLetters[3]);
    v.charField(94, "guiderBin2x2", s.guiderBin2x2);
    v.charField(95, "guiderClearCamera", s.guiderClearCamera);
    v.charField(96, "noNorthCorrections", s.noNorthCorrections);
    v.charField(97, "noSouthCorrections", s.noSouthCorrections);
    v.shortField(98, "driftThresholdMilliPixels", s.driftThresholdMilliPixels);
    v.charField(99, "tiff16Bit", s.tiff16Bit);
    v.charField(100, "useUsbFilterWheel", s.useUsbFilterWheel);
    v.charField(101, "forceMaximumCooling", s.forceMaximumCooling);
}

} // namespace kor
