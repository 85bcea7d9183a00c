// How long the album window takes to start on catalogues of growing size, against SQLite alone
// running the same two list statements. The window should cost little more than the statements:
// at 100,000 tracks, under twice their time and under half a second in all.
//
//   bench_startup [TRACKS...]      (default: 1000 100000 1000000)

#include "benchsupport.h"
#include "frmcaldrin.h"
#include "msgbox.h"
#include "statements.h"

#include <stdexcept>

using namespace bench;

namespace {

constexpr double kTargetRatio = 2.0;
constexpr double kTargetFormLoadMs = 500.0;

const ResultTable kTable({{QStringLiteral("tracks"), 10},
                          {QStringLiteral("albums"), 9},
                          {QStringLiteral("artists"), 9},
                          {QStringLiteral("Form_Load ms"), 13},
                          {QStringLiteral("bare ms"), 9},
                          {QStringLiteral("ratio"), 7}});

// The start-up as main runs it, less the window's construction, which the catalogue's size does
// not touch.
double FormLoadMs(const QString& folder) {
    return MedianMs([&] {
        frmCaldrin window(folder);
        bool loaded = false;
        const double ms = ElapsedMs([&] { loaded = window.Form_Load(); });
        if (!loaded)
            throw std::runtime_error(MessageBox::TakeShown().value(0).prompt.toStdString());
        return ms;
    });
}

struct Lists {
    qint64 albums = 0;
    qint64 artists = 0;
};

Lists ReadBothLists(const QString& path) {
    const SqliteHandle db = OpenBare(path, SQLITE_OPEN_READONLY);
    return {ReadAll(db.get(), statements::caldrin::AllAlbums()),
            ReadAll(db.get(), statements::caldrin::AllArtistsOrdered())};
}

void Measure(qint64 tracks) {
    const Catalogue catalogue(tracks);
    const Lists lists = ReadBothLists(catalogue.Path());
    const double bareMs =
        MedianMs([&] { return ElapsedMs([&] { ReadBothLists(catalogue.Path()); }); });
    const double formLoadMs = FormLoadMs(catalogue.Folder());
    const double ratio = formLoadMs / bareMs;
    kTable.PrintRow({QString::number(tracks), QString::number(lists.albums),
                     QString::number(lists.artists), Ms(formLoadMs), Ms(bareMs), Ratio(ratio)},
                    Verdict(tracks, formLoadMs < kTargetFormLoadMs && ratio < kTargetRatio));
}

void PrintTargets() {
    Out() << QStringLiteral("\ntargets at %1 tracks: ratio under %2, Form_Load under %3 ms\n")
                 .arg(kTargetTracks)
                 .arg(kTargetRatio)
                 .arg(kTargetFormLoadMs);
}

} // namespace

int main(int argc, char* argv[]) {
    return Run(argc, argv, "bench_startup", [](const std::vector<qint64>& sizes) {
        kTable.PrintHeader();
        for (qint64 tracks : sizes)
            Measure(tracks);
        PrintTargets();
    });
}
