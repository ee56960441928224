#pragma once

// The two TV standards of DV: PAL (625 lines, 25 frames a second, 12 DIF
// sequences a frame) and NTSC (525 lines, 29.97 frames a second, 10 sequences).
enum class TDvStandard { Pal, Ntsc };
