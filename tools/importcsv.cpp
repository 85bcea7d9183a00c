// Adds the tracks of a CSV file or a workbook to a catalogue: all of them, or none when any row
// is bad.
#include "toolsupport.h"

#include <QCoreApplication>

namespace {

const QString kHelp = QStringLiteral(
    "使い方: importcsv caldrin|trensoly CATALOGUE TRACKS.csv|TRACKS.xlsx\n"
    "\n"
    "CSV ファイルか Excel ブック (最初のシート) の曲を caldrin (アルバム別) か trensoly\n"
    "(MD別) のカタログ CATALOGUE に追加します。同じファイルを 2 度取り込むと、曲も 2 つずつ\n"
    "になります。どちらの形式かはファイルの中身で判断します。\n"
    "\n"
    "1 行目は列の名前です。caldrin はアーチスト名,アルバム名,曲番,曲名、trensoly は\n"
    "MD番号,曲番,曲名,アーチスト名 の列を使い、順番は問いません。ほかの列は読みません。\n"
    "CSV の文字コードは UTF-8 か CP932 (Shift_JIS) で、どちらかを自動で判断します。\n"
    "どれかの行に誤りがあれば、その全てを「ファイル:行: 理由」の形で表示し、1 曲も追加\n"
    "しません。\n");

} // namespace

int main(int argc, char* argv[]) {
    ToolCommandLine cli(QStringLiteral("importcsv"), kHelp);
    if (const auto done = cli.ParseProgramRun(argc, argv, 3, 3))
        return *done;
    const QStringList args = cli.Arguments();
    const Program program = cli.NamedProgram();

    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    try {
        const auto db = tracktable::OpenCatalogue(args[1], program);
        return ImportTracks(cli, *db, program, args[2]);
    } catch (const std::exception& error) {
        return cli.Error(QString::fromUtf8(error.what()));
    }
}
