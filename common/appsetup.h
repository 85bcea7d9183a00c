#pragma once

class QApplication;

// Japanese button labels in the standard dialogs, and the Windows font names the windows and
// labels ask for mapped to the metric-compatible fonts Debian ships.
void SetUpApplication(QApplication& app);

inline constexpr const char* kMincho = "ＭＳ Ｐ明朝";
inline constexpr const char* kTimes = "Times New Roman";
