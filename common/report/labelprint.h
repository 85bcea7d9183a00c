#pragma once

#include "pagerenderer.h"

namespace report {

// The rows of a label: its own read-only connection to the catalogue, the query run and read
// through before anything is laid out. Throws DbError with a message fit for the user.
std::shared_ptr<const Snapshot> LoadRows(const QString& catalogue, Program program,
                                         const QString& sql);

// What a PDF file or print job says about itself: its title, which a print dialog also offers as
// the file name, and the program that made it.
struct DocumentInfo {
    QString title;
    QString creator;
};

// "夏の記憶 MD ラベル": what is on the label and which label it is.
DocumentInfo LabelDocument(const PageRenderer& renderer, Program program, Label label);

// Writes every page to a PDF file on the renderer's sheet, fonts embedded, as the calibration
// says. Throws std::runtime_error on failure; the old file is then left as it was.
void WritePdf(const PageRenderer& renderer, const QString& path,
              const Calibration& calibration = Calibration(), const DocumentInfo& info = {});

// Writes the calibration page for a label on the given paper.
void WriteCalibrationPdf(const Definition& label, const QPageSize& paper, const QString& path);

} // namespace report
