#pragma once

// The converters that rendering may insert after an output of a given type:
// the DV splitter after interleaved DV, the DV decoder after DV video, a
// libavcodec decoder after other compressed video, and colour converters
// (to RGB24 and to the DV encoder's formats) after raw pictures; for sound, a
// libavcodec decoder after anything but 16-bit PCM, and after 16-bit PCM
// audio converters to at most two channels, at the stream's rate or at
// 48 kHz (what the DV muxer takes).

#include "pipelines/element.h"

#include <memory>
#include <vector>

std::vector<std::unique_ptr<TElement>> DefaultConverters(const TMediaType &type);
