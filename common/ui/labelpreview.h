#pragma once

#include "reportdefinition.h"

class QWidget;

#include <QString>

namespace report {

inline const QString kNothingToPrint = QStringLiteral("印刷する曲がありません。");

// Puts a new label for the rows of sql before the user in a preview window, from which it can be
// printed or saved as PDF. A query without rows or a catalogue that cannot be read is told in a
// message box and prints nothing. The caller keeps no reference to the label.
void PrintLabel(QWidget* parent, Program program, Label label, const QString& catalogue,
                const QString& sql);

} // namespace report
