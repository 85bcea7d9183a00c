// How long a label takes from the request to the finished PDF: the rows read on a connection
// of its own, laid out and written with fonts embedded, calibrated and with cut guides, as a user
// who measured the printer gets it. A 30-track album should take under 100 ms; a selection of
// 2,000 tracks shows how it grows over many pages.
//
//   bench_labels

#include "benchsupport.h"
#include "labelprint.h"
#include "recordset.h"
#include "statements.h"

using namespace bench;

namespace {

constexpr double kTargetMs = 100.0;
const QString kArtist = QStringLiteral("森 健");
// A printer that puts everything 1.5 mm too far left and 0.8 mm too high, and shrinks it.
const report::Calibration kCalibration{Distance::Millimetres(1.5), Distance::Millimetres(0.8),
                                       101.5, true};

const ResultTable kTable({{QStringLiteral("tracks"), 8},
                          {QStringLiteral("label"), 10},
                          {QStringLiteral("pages"), 7},
                          {QStringLiteral("ms"), 9}});

void AddAlbum(Database& db, const QString& album, int tracks) {
    auto rs = db.OpenRecordset(statements::Table(), dbOpenDynaset);
    db.BeginTrans();
    for (int number = 1; number <= tracks; ++number) {
        rs->AddNew();
        rs->Fields(QStringLiteral("アーチスト名")) = kArtist;
        rs->Fields(QStringLiteral("アルバム名")) = album;
        rs->Fields(QStringLiteral("曲番")) = number;
        rs->Fields(QStringLiteral("曲名")) = QStringLiteral("ﾒﾛﾃﾞｨｰ 夏の午後 Track %1").arg(number);
        rs->Update();
    }
    db.CommitTrans();
}

void Measure(const Catalogue& catalogue, const QString& album, int tracks, report::Label label) {
    const QString sql = statements::caldrin::TracksOfAlbum(album, kArtist);
    const QString pdf = catalogue.Folder() + QStringLiteral("/label.pdf");
    int pages = 0;
    const double ms = MedianMs([&] {
        return ElapsedMs([&] {
            const auto rows = report::LoadRows(catalogue.Path(), Program::Caldrin, sql);
            const report::PageRenderer renderer(report::LabelDefinition(Program::Caldrin, label),
                                                rows);
            report::WritePdf(renderer, pdf, kCalibration,
                             report::LabelDocument(renderer, Program::Caldrin, label));
            pages = int(renderer.Pages().size());
        });
    });
    const QString remark = tracks > 30      ? QString()
                           : ms < kTargetMs ? QStringLiteral("  target met")
                                            : QStringLiteral("  TARGET MISSED");
    kTable.PrintRow({QString::number(tracks),
                     label == report::Label::Md ? QStringLiteral("MD") : QStringLiteral("cassette"),
                     QString::number(pages), Ms(ms)},
                    remark);
}

} // namespace

int main(int argc, char* argv[]) {
    return Run(argc, argv, "bench_labels", [](const std::vector<qint64>&) {
        const Catalogue catalogue(1000);
        auto db = tracktable::OpenCatalogue(catalogue.Path(), Program::Caldrin);
        AddAlbum(*db, QStringLiteral("Thirty"), 30);
        AddAlbum(*db, QStringLiteral("Two Thousand"), 2000);
        kTable.PrintHeader();
        for (const report::Label label : {report::Label::Md, report::Label::Cassette}) {
            Measure(catalogue, QStringLiteral("Thirty"), 30, label);
            Measure(catalogue, QStringLiteral("Two Thousand"), 2000, label);
        }
        Out() << "\ntarget: a 30-track label under " << kTargetMs << " ms\n";
    });
}
