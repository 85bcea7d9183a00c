// Makes a new catalogue file for either program: empty, the demo, or any number of tracks.
#include "democatalogue.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

int Usage() {
    QTextStream(stderr) << "usage: mkcatalogue caldrin|trensoly FILE [--demo | --tracks N]\n";
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2 || (args[0] != "caldrin" && args[0] != "trensoly"))
        return Usage();
    const Program program = args[0] == "caldrin" ? Program::Caldrin : Program::Trensoly;
    qint64 tracks = 0;
    if (args.size() == 3 && args[2] == "--demo") {
        tracks = democatalogue::kDemoTracks;
    } else if (args.size() == 4 && args[2] == "--tracks") {
        bool ok = false;
        tracks = args[3].toLongLong(&ok);
        if (!ok || tracks < 0)
            return Usage();
    } else if (args.size() != 2) {
        return Usage();
    }
    try {
        democatalogue::Create(args[1], program, tracks);
    } catch (const std::exception& error) {
        QTextStream(stderr) << args[1] << ": " << QString::fromUtf8(error.what()) << '\n';
        return 1;
    }
    return 0;
}
