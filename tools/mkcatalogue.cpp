// Makes a new catalogue file for either program: empty, the demo, or any number of tracks.
#include "democatalogue.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kHelp = QStringLiteral(
    "使い方: mkcatalogue caldrin|trensoly FILE [--demo | --tracks N]\n"
    "\n"
    "caldrin (アルバム別) か trensoly (MD別) のカタログファイル FILE を新しく作ります。\n"
    "すでにあるファイルは上書きしません。\n"
    "\n"
    "  --demo      デモ用の曲を入れます。\n"
    "  --tracks N  N 曲を入れます。どちらもなければ空のカタログです。\n");

} // namespace

int main(int argc, char* argv[]) {
    ToolCommandLine cli(QStringLiteral("mkcatalogue"), kHelp);
    const QCommandLineOption demo(QStringLiteral("demo"));
    const QCommandLineOption count(QStringLiteral("tracks"), {}, QStringLiteral("N"));
    cli.Parser().addOptions({demo, count});
    if (const auto done = cli.Parse(argc, argv))
        return *done;
    if (const auto refused = cli.ExpectArguments(2))
        return *refused;
    const QStringList args = cli.Arguments();
    if (args[0] != "caldrin" && args[0] != "trensoly")
        return cli.UsageError(
            QStringLiteral("caldrin か trensoly を指定してください: %1").arg(args[0]));
    if (cli.Parser().isSet(demo) && cli.Parser().isSet(count))
        return cli.UsageError(QStringLiteral("--demo と --tracks は一緒に使えません。"));
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
    try {
        democatalogue::Create(path, args[0] == "caldrin" ? Program::Caldrin : Program::Trensoly,
                              tracks);
    } catch (const std::exception& error) {
        // A half-made catalogue would only stand in the way of the next attempt.
        if (!existed) {
            QFile::remove(path);
            QFile::remove(path + "-journal");
        }
        const QString message = QString::fromUtf8(error.what());
        return cli.Error(message.contains(path) ? message : path + ": " + message);
    }
    return 0;
}
