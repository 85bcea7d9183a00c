// Makes a new catalogue file for either program: empty, the demo, any number of tracks, or the
// tracks of a CSV file.
#include "democatalogue.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kHelp = QStringLiteral(
    "使い方: mkcatalogue caldrin|trensoly FILE [--demo | --tracks N | --import TRACKS.csv]\n"
    "\n"
    "caldrin (アルバム別) か trensoly (MD別) のカタログファイル FILE を新しく作ります。\n"
    "すでにあるファイルは上書きしません。\n"
    "\n"
    "  --demo               デモ用の曲を入れます。\n"
    "  --tracks N           N 曲を入れます。\n"
    "  --import TRACKS.csv  CSV ファイルの曲を入れます (importcsv と同じ形)。どれかの行に\n"
    "                       誤りがあれば全て表示し、カタログを作りません。\n"
    "どれもなければ空のカタログです。\n");

} // namespace

int main(int argc, char* argv[]) {
    ToolCommandLine cli(QStringLiteral("mkcatalogue"), kHelp);
    const QCommandLineOption demo(QStringLiteral("demo"));
    const QCommandLineOption count(QStringLiteral("tracks"), {}, QStringLiteral("N"));
    const QCommandLineOption import(QStringLiteral("import"), {}, QStringLiteral("TRACKS.csv"));
    cli.Parser().addOptions({demo, count, import});
    if (const auto done = cli.ParseProgramRun(argc, argv, 2, 2))
        return *done;
    const QStringList args = cli.Arguments();
    const Program program = cli.NamedProgram();
    if (cli.Parser().isSet(demo) && cli.Parser().isSet(count))
        return cli.UsageError(QStringLiteral("--demo と --tracks は一緒に使えません。"));
    if (cli.Parser().isSet(import) && (cli.Parser().isSet(demo) || cli.Parser().isSet(count)))
        return cli.UsageError(
            QStringLiteral("--import は --demo や --tracks と一緒に使えません。"));
    qint64 tracks = cli.Parser().isSet(demo) ? democatalogue::kDemoTracks : 0;
    if (cli.Parser().isSet(count)) {
        bool ok = false;
        tracks = cli.Parser().value(count).toLongLong(&ok);
        if (!ok || tracks < 0)
            return cli.UsageError(QStringLiteral("曲数は 0 以上の整数で指定してください: %1")
                                      .arg(cli.Parser().value(count)));
    }

    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    const QString path = args[1];
    const bool existed = QFileInfo::exists(path);
    int status = 0;
    try {
        if (cli.Parser().isSet(import)) {
            const auto db = Database::CreateDatabase(path);
            tracktable::CreateTrackTable(*db, program);
            status = ImportTracks(cli, *db, program, cli.Parser().value(import));
        } else {
            democatalogue::Create(path, program, tracks);
        }
    } catch (const std::exception& error) {
        const QString message = QString::fromUtf8(error.what());
        status = cli.Error(message.contains(path) ? message : path + ": " + message);
    }
    // A half-made catalogue would only stand in the way of the next attempt, and an empty one
    // would pass for the imported tracks.
    if (status != 0 && !existed) {
        QFile::remove(path);
        QFile::remove(path + "-journal");
    }
    return status;
}
