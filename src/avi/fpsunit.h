#pragma once

// In-place edits of an AVI file's video headers: the codec code (strh
// FourccHandler and BITMAPINFOHEADER biCompression) and the frame rate (strh
// Scale and Rate). A header walk finds the byte positions; the edits write
// only those bytes and never change the file's size.

#include "avi/avilayout.h"
#include "avi/bytesource.h"
#include "avi/keepresponsive.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// File offsets of the editable fields of the video stream (the last vids or
// iavs stream in file order), -1 when not found.
struct TVideoHeaderPositions
{
    qint64 handler = -1;     // strh FourccHandler
    qint64 scale = -1;       // strh Scale, followed by Rate
    qint64 compression = -1; // strf biCompression (vids streams only)

    bool operator==(const TVideoHeaderPositions &) const = default;
};

TVideoHeaderPositions LocateVideoHeader(const TByteSource &source, const TKeepResponsive &keepResponsive = {});
// All positions -1 when the file cannot be opened.
TVideoHeaderPositions LocateVideoHeader(const QString &fileName, const TKeepResponsive &keepResponsive = {});

// The four bytes at the handler position; nothing when the file cannot be read
// or has no video stream header.
std::optional<TFourcc> ReadCodec(const QString &fileName, const TKeepResponsive &keepResponsive = {});

// Writes code at the handler and the compression positions, where found. False
// when neither was found or the file could not be written.
bool WriteCodec(const QString &fileName, TFourcc code, const TKeepResponsive &keepResponsive = {});

// Writes Scale = round(1000000 / fps) and Rate = 1000000 into the video stream
// header. False when it was not found, the file could not be written, or fps
// gives no Scale in 1 .. 0xFFFFFFFF (zero, negative, not a number, too small).
bool WriteFrameRate(const QString &fileName, double fps, const TKeepResponsive &keepResponsive = {});

// The first (up to) four characters of text as a code, padded with zero bytes.
TFourcc CodeFromText(const QString &text);

// A codec code typed by the user: padded with spaces and cut to four characters.
QString PadCodecText(const QString &text);
