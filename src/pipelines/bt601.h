#pragma once

// The colour matrix of DV pictures: ITU-R BT.601, limited range (Y 16-235,
// U and V 16-240), in 8-bit integer form. The weighted sums are 256 times
// the matrix; they are linear, so they also apply to premultiplied colours.

#include <QtGlobal>

namespace bt601 {

constexpr int LumaSum(int b, int g, int r) { return 66 * r + 129 * g + 25 * b; }
constexpr int ChromaUSum(int b, int g, int r) { return -38 * r - 74 * g + 112 * b; }
constexpr int ChromaVSum(int b, int g, int r) { return 112 * r - 94 * g - 18 * b; }

constexpr quint8 Luma(int b, int g, int r) { return quint8(((LumaSum(b, g, r) + 128) >> 8) + 16); }
constexpr quint8 ChromaU(int b, int g, int r) { return quint8(((ChromaUSum(b, g, r) + 128) >> 8) + 128); }
constexpr quint8 ChromaV(int b, int g, int r) { return quint8(((ChromaVSum(b, g, r) + 128) >> 8) + 128); }

} // namespace bt601
