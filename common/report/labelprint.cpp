#include "labelprint.h"

#include "recordset.h"

#include <QPdfWriter>

namespace report {

std::shared_ptr<const Snapshot> LoadRows(const QString& catalogue, Program program,
                                         const QString& sql) {
    auto db = tracktable::OpenCatalogue(catalogue, program, Database::Access::ReadOnly);
    auto rows = db->OpenSnapshot(sql);
    db->Close();
    return rows;
}

void WritePdf(const PageRenderer& renderer, const QString& path) {
    QPdfWriter pdf(path);
    pdf.setCreator(QStringLiteral("Caldrin"));
    // One dot a twip: the layout reaches the file unscaled.
    pdf.setResolution(int(Distance::kPerInch));
    try {
        renderer.Print(pdf);
    } catch (const std::runtime_error&) {
        throw std::runtime_error(
            QStringLiteral("%1 に書き込めませんでした。").arg(path).toStdString());
    }
}

} // namespace report
