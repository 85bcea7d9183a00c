#include "labelprint.h"

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

namespace {

// The reason the PDF could not be drawn, or nothing.
QString Draw(const PageRenderer& renderer, QIODevice& out) {
    try {
        QPdfWriter pdf(&out);
        pdf.setCreator(QStringLiteral("Caldrin"));
        // One dot a twip: the layout reaches the file unscaled.
        pdf.setResolution(int(Distance::kPerInch));
        renderer.Print(pdf);
    } catch (const std::runtime_error& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

} // namespace

void WritePdf(const PageRenderer& renderer, const QString& path) {
    // Drawn in memory first: the PDF engine does not look at what its writes return, so a file
    // written as it draws could come out short without a word. A label's PDF is small.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QString reason = Draw(renderer, pdf);
    if (reason.isEmpty())
        reason = SaveWholeFile(path, pdf.data());
    if (!reason.isEmpty())
        throw std::runtime_error(
            QStringLiteral("%1 に書き込めませんでした。\n%2").arg(path, reason).toStdString());
}

} // namespace report
