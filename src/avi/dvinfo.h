#pragma once

#include "avi/avilayout.h"

// The DVINFO record that describes a DV stream in its AVI stream format, taken
// from the packs of one of its frames: PC1..PC4 of the AAUX source and source
// control packs of both audio channel pairs (the first and the second half of
// the DIF sequences) and of the VAUX source and source control packs, PC1 in
// the low byte. A pack the frame lacks leaves its word 0.
TDvInfo DvInfoFromFrame(const quint8 *frame, int count);
