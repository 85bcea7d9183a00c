#pragma once

// The Windows font names the windows and labels ask for, mapped to the metric-compatible fonts
// Debian ships. Needs a Gui application; labels drawn before this use fallback faces.
void MapFonts();

inline constexpr const char* kMincho = "ＭＳ Ｐ明朝";
inline constexpr const char* kTimes = "Times New Roman";
