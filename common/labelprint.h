#pragma once

#include "pagerenderer.h"

class QWidget;

namespace report {

// The rows of a label: its own read-only connection to the catalogue, the query run and read
// through before anything is laid out. Throws DbError with a message fit for the user.
std::shared_ptr<const Snapshot> LoadRows(const QString& catalogue, Program program,
                                         const QString& sql);

// Writes every page to a PDF file, fonts embedded. Throws std::runtime_error on failure.
void WritePdf(const PageRenderer& renderer, const QString& path);

// Puts a new label for the rows of sql before the user in a preview window, from which it can be
// printed or saved as PDF. A query without rows or a catalogue that cannot be read is told in a
// message box and prints nothing. The caller keeps no reference to the label.
void PrintLabel(QWidget* parent, Program program, Label label, const QString& catalogue,
                const QString& sql);

} // namespace report
