#pragma once

// The converters that rendering may insert after an output of a given type:
// the DV splitter after interleaved DV, the DV decoder after DV video, a
// libavcodec decoder after other compressed video, and colour converters
// (to RGB24 and to the DV encoder's formats) after raw pictures.

#include "pipelines/element.h"

#include <memory>
#include <vector>

std::vector<std::unique_ptr<TElement>> DefaultConverters(const TMediaType &type);
