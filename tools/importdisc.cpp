// Adds the tracks of one disc from the title files other tools write: all of them, or none when
// any track is bad.
#include "disctracks.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

const QString kHelp = QStringLiteral(
    "使い方: importdisc caldrin|trensoly CATALOGUE FILE [--album NAME] [--artist NAME]\n"
    "                  [--disc NUMBER] [--half-width]\n"
    "\n"
    "1 枚のディスクの曲を caldrin (アルバム別) か trensoly (MD別) のカタログ CATALOGUE に\n"
    "追加します。FILE は Web MiniDisc Pro が書き出す曲名の CSV、CUE シート、freedb (xmcd)\n"
    "のファイル、1 行に 1 曲の曲名を書いた文字だけのファイルのどれかで、どれかはファイルの\n"
    "中身で判断します。文字コードは UTF-8 か CP932 (Shift_JIS) です。\n"
    "\n"
    "アルバム名とアーチスト名はファイルにあればそれを使い、--album と --artist はそれに\n"
    "代わります。trensoly では MD番号を --disc で必ず指定します。MiniDisc の曲名は全角の\n"
    "ものがあればそれを、--half-width では半角のものを使います。\n"
    "どれかの曲に誤り (曲名がない、など) があれば、その全てを「ファイル:行: 理由」の形で\n"
    "表示し、1 曲も追加しません。\n");

} // namespace

int main(int argc, char* argv[]) {
    ToolCommandLine cli(QStringLiteral("importdisc"), kHelp);
    QCommandLineParser& parser = cli.Parser();
    const QCommandLineOption album(QStringLiteral("album"), QStringLiteral("アルバム名。"),
                                   QStringLiteral("NAME"));
    const QCommandLineOption artist(QStringLiteral("artist"), QStringLiteral("アーチスト名。"),
                                    QStringLiteral("NAME"));
    const QCommandLineOption disc(QStringLiteral("disc"), QStringLiteral("MD番号 (trensoly)。"),
                                  QStringLiteral("NUMBER"));
    const QCommandLineOption halfWidth(QStringLiteral("half-width"),
                                       QStringLiteral("MiniDisc の半角の曲名を使います。"));
    parser.addOptions({album, artist, disc, halfWidth});
    if (const auto done = cli.ParseProgramRun(argc, argv, 3, 3))
        return *done;
    const QStringList args = cli.Arguments();
    const Program program = cli.NamedProgram();
    if (program == Program::Trensoly && !parser.isSet(disc))
        return cli.UsageError(QStringLiteral("trensoly では --disc で MD番号を指定してください。"));
    if (program == Program::Caldrin && parser.isSet(disc))
        return cli.UsageError(QStringLiteral("--disc は trensoly だけのオプションです。"));

    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    const disctracks::Read read = disctracks::ReadDiscFile(args[2]);
    if (!read.problems.isEmpty())
        return ReportProblems(cli, args[2], read.problems);
    disctracks::Filing filing;
    filing.albumOrDisc =
        program == Program::Caldrin
            ? (parser.isSet(album) ? parser.value(album)
                                   : disctracks::AlbumOf(read.disc, parser.isSet(halfWidth)))
            : parser.value(disc);
    filing.artist = parser.isSet(artist) ? parser.value(artist) : read.disc.artist;
    filing.halfWidth = parser.isSet(halfWidth);
    const QList<trackadd::NewTrack> tracks = disctracks::TracksToAdd(read.disc, program, filing);
    if (const auto problems = trackadd::Check(program, tracks); !problems.isEmpty())
        return ReportProblems(cli, args[2], problems);
    try {
        const auto db = tracktable::OpenCatalogue(args[1], program);
        const qsizetype added = trackadd::Add(*db, program, tracks).size();
        QTextStream(stdout) << QStringLiteral("%1 曲を追加しました。\n").arg(added);
        return 0;
    } catch (const std::exception& error) {
        return cli.Error(QString::fromUtf8(error.what()));
    }
}
