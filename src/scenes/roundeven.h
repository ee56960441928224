#pragma once

// Rounding to the nearest integer with halves going to the even neighbour
// (2.5 gives 2, 3.5 gives 4), independent of the floating-point rounding mode.

#include <cmath>

template <typename Real>
Real RoundHalfEven(Real x)
{
    const Real down = std::floor(x);
    const Real diff = x - down;
    if (diff < Real(0.5))
        return down;
    if (diff > Real(0.5))
        return down + 1;
    return std::fmod(down, Real(2)) == 0 ? down : down + 1;
}
