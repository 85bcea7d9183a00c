// How soon the window "検索" shows its results after each key the user types: the search over
// every track's folded texts and the first screen of results drawn. At 100,000 tracks every key
// should be answered within 50 ms. Opening the window reads and folds every track once.
//
//   bench_find [caldrin] [trensoly] [TRACKS...]

#include "benchsupport.h"
#include "findwindow.h"

#include <QLineEdit>
#include <QTableView>
#include <algorithm>

using namespace bench;

namespace {

constexpr double kTargetMs = 50.0;

const ResultTable kTable({{QStringLiteral("program"), 9},
                          {QStringLiteral("tracks"), 9},
                          {QStringLiteral("open ms"), 9},
                          {QStringLiteral("key median"), 11},
                          {QStringLiteral("key max"), 9}});

// What a user types, one key at a time: Latin that matches many tracks, then few; half-width
// katakana found by its full-width form; kanji.
const QStringList kTyped = {QStringLiteral("rain"), QStringLiteral("ダンス"),
                            QStringLiteral("月の光"), QStringLiteral("ｔｏｋｙｏ")};

void Measure(Program program, qint64 tracks) {
    const Catalogue catalogue(tracks, program);
    FindWindow* find = nullptr;
    const double open = ElapsedMs([&] {
        find = new FindWindow(nullptr, catalogue.Path(), program,
                              [](const QStringList&) { return true; });
        find->show();
        find->repaint();
    });
    std::vector<double> keys;
    for (const QString& word : kTyped) {
        for (qsizetype length = 1; length <= word.size(); ++length) {
            keys.push_back(ElapsedMs([&] {
                find->Text()->setText(word.left(length));
                find->Results()->repaint();
            }));
        }
        find->Text()->clear();
    }
    delete find;
    const double worst = *std::max_element(keys.begin(), keys.end());
    kTable.PrintRow(
        {ProgramName(program), QString::number(tracks), Ms(open), Ms(Median(keys)), Ms(worst)},
        Verdict(tracks, worst < kTargetMs));
}

} // namespace

int main(int argc, char* argv[]) {
    return RunPrograms(argc, argv, "bench_find", kTable,
                       QStringLiteral("target: every key answered within %1 ms at %2 tracks")
                           .arg(kTargetMs)
                           .arg(kTargetTracks),
                       Measure);
}
