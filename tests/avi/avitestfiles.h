#pragma once

// Sample data for the AVI writer and sample index tests: DV frames that can be
// told apart, their DVINFO record, and recognisable payloads of any size.

#include "avi/avilayout.h"
#include "avi/aviwriter.h"

#include <QByteArray>

namespace avitest {

// A DV frame of system with the packs a camcorder writes (48 kHz 16-bit stereo
// audio, no recording date); its timecode is number counted in frames from
// 00:00:00:00 at 25 frames a second, so every frame of a file is different.
QByteArray MakeDvFrame(TAviDvSystem system, quint32 number);

// The DVINFO record of the frames MakeDvFrame() makes for system.
TDvInfo MakeDvInfo(TAviDvSystem system);

// A recognisable payload: the stream and sample numbers, then a pattern.
QByteArray Payload(int stream, quint32 number, quint32 size);

} // namespace avitest
