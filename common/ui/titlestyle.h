#pragma once

#include <QString>

class QLabel;

// A title line is always bold; its flag "Y" (exactly, case matters) slants it.
bool IsSlanted(const QString& flag);
void ApplyTitleStyle(QLabel& label, const QString& flag);
