#pragma once

#include <cmath>

// Positions and sizes are kept in twips as the layouts give them; widgets take pixels (96 dpi).
namespace Twips {
inline constexpr int PerPixel = 15;

inline int toPixels(double twips) { return static_cast<int>(std::lround(twips / PerPixel)); }
inline int fromPixels(int pixels) { return pixels * PerPixel; }
} // namespace Twips
