// Writes the PDF of an MD or cassette label without the window, through the same renderer the
// preview and the printer use.
#include "fonts.h"
#include "labelprint.h"
#include "recordset.h"
#include "statements.h"
#include "toolsupport.h"

#include <QGuiApplication>

namespace {

const QString kHelp = QStringLiteral(
    "使い方: mklabel caldrin md|cassette CATALOGUE OUT.pdf ALBUM ARTIST\n"
    "        mklabel trensoly md|cassette CATALOGUE OUT.pdf DISC\n"
    "\n"
    "カタログ CATALOGUE から MD (md) かカセット (cassette) のラベルを PDF ファイル OUT.pdf\n"
    "に書き出します。caldrin はアルバムとアーチストで、trensoly は MD 番号で曲を選びます。\n");

} // namespace

int main(int argc, char* argv[]) {
    ToolCommandLine cli(QStringLiteral("mklabel"), kHelp);
    if (const auto done = cli.Parse(argc, argv))
        return *done;
    const QString programName = cli.Arguments().value(0);
    if (programName.isEmpty())
        return cli.UsageError(QStringLiteral("引数が足りません。"));
    if (programName != "caldrin" && programName != "trensoly")
        return cli.UsageError(
            QStringLiteral("caldrin か trensoly を指定してください: %1").arg(programName));
    const bool caldrin = programName == "caldrin";
    if (const auto refused = cli.ExpectArguments(caldrin ? 6 : 5))
        return *refused;
    const QStringList args = cli.Arguments();
    if (args[1] != "md" && args[1] != "cassette")
        return cli.UsageError(
            QStringLiteral("ラベルの種類は md か cassette です: %1").arg(args[1]));

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt never sees the arguments, so an album named like one of its options (-reverse) stays an
    // album.
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    MapFonts();
    const Program program = caldrin ? Program::Caldrin : Program::Trensoly;
    const report::Label label = args[1] == "md" ? report::Label::Md : report::Label::Cassette;
    const QString sql = caldrin ? statements::caldrin::TracksOfAlbum(args[4], args[5])
                                : statements::trensoly::TracksOfDisc(args[4]);
    try {
        const auto rows = report::LoadRows(args[2], program, sql);
        if (rows->RecordCount() == 0)
            return cli.Error(QStringLiteral("指定された曲がカタログにありません。"));
        report::WritePdf(report::PageRenderer(report::LabelDefinition(program, label), rows),
                         args[3]);
    } catch (const std::exception& error) {
        return cli.Error(QString::fromUtf8(error.what()));
    }
    return 0;
}
