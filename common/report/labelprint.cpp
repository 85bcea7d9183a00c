#include "labelprint.h"

#include "calibrationpage.h"
#include "recordset.h"
#include "savefile.h"

#include <QBuffer>
#include <QPdfWriter>
#include <stdexcept>

namespace report {

std::shared_ptr<const Snapshot> LoadRows(const QString& catalogue, Program program,
                                         const QString& sql) {
    auto db = tracktable::OpenCatalogue(catalogue, program, Database::Access::ReadOnly);
    auto rows = db->OpenSnapshot(sql);
    db->Close();
    return rows;
}

DocumentInfo LabelDocument(const PageRenderer& renderer, Program program, Label label) {
    const QString heading = renderer.Heading().simplified();
    return {heading.isEmpty() ? LabelName(label) : heading + ' ' + LabelName(label),
            tracktable::ProgramName(program)};
}

namespace {

using Drawing = std::function<void(QPagedPaintDevice&)>;

// The reason the PDF could not be drawn, or nothing.
QString Draw(const QPageLayout& sheet, const DocumentInfo& info, const Drawing& draw,
             QIODevice& out) {
    try {
        QPdfWriter pdf(&out);
        pdf.setTitle(info.title);
        pdf.setCreator(info.creator);
        pdf.setPageLayout(sheet);
        // One dot a twip: the layout reaches the file unscaled.
        pdf.setResolution(int(Distance::kPerInch));
        draw(pdf);
    } catch (const std::runtime_error& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

void SavePdf(const QString& path, const QPageLayout& sheet, const DocumentInfo& info,
             const Drawing& draw) {
    // Drawn in memory first: the PDF engine does not look at what its writes return, so a file
    // written as it draws could come out short without a word. A label's PDF is small.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QString reason = Draw(sheet, info, draw, pdf);
    if (reason.isEmpty())
        reason = SaveWholeFile(path, pdf.data());
    if (!reason.isEmpty())
        throw std::runtime_error(
            QStringLiteral("%1 に書き込めませんでした。\n%2").arg(path, reason).toStdString());
}

} // namespace

void WritePdf(const PageRenderer& renderer, const QString& path, const Calibration& calibration,
              const DocumentInfo& info) {
    SavePdf(path, renderer.Sheet(), info,
            [&](QPagedPaintDevice& pdf) { renderer.Print(pdf, calibration); });
}

void WriteCalibrationPdf(const Definition& label, const QPageSize& paper, const QString& path) {
    SavePdf(path, QPageLayout(paper, QPageLayout::Portrait, QMarginsF()),
            {QStringLiteral("印刷位置の補正ページ"), QStringLiteral("mklabel")},
            [&](QPagedPaintDevice& pdf) { PrintCalibrationPage(pdf, label); });
}

} // namespace report
