// Writes the PDF of an MD or cassette label without the window, through the same renderer the
// preview and the printer use.
#include "fonts.h"
#include "labelprint.h"
#include "recordset.h"
#include "statements.h"

#include <QGuiApplication>
#include <QTextStream>

namespace {

int Usage() {
    QTextStream(stderr) << "usage: mklabel caldrin md|cassette CATALOGUE OUT.pdf ALBUM ARTIST\n"
                           "       mklabel trensoly md|cassette CATALOGUE OUT.pdf DISC\n";
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    MapFonts();
    const QStringList args = app.arguments().mid(1);
    const bool caldrin = args.value(0) == "caldrin";
    if (args.size() != (caldrin ? 6 : 5) || (!caldrin && args[0] != "trensoly") ||
        (args[1] != "md" && args[1] != "cassette"))
        return Usage();
    const Program program = caldrin ? Program::Caldrin : Program::Trensoly;
    const report::Label label = args[1] == "md" ? report::Label::Md : report::Label::Cassette;
    const QString sql = caldrin ? statements::caldrin::TracksOfAlbum(args[4], args[5])
                                : statements::trensoly::TracksOfDisc(args[4]);
    try {
        const auto rows = report::LoadRows(args[2], program, sql);
        if (rows->RecordCount() == 0) {
            QTextStream(stderr) << "mklabel: no tracks for that selection\n";
            return 1;
        }
        report::WritePdf(report::PageRenderer(report::LabelDefinition(program, label), rows),
                         args[3]);
    } catch (const std::exception& error) {
        QTextStream(stderr) << "mklabel: " << QString::fromUtf8(error.what()) << '\n';
        return 1;
    }
    return 0;
}
