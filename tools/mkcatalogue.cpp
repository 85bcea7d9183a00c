// Makes a new catalogue file for either program: empty, the demo, any number of tracks, or the
// tracks of a CSV file.
#include "democatalogue.h"
#include "savefile.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

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

// The new catalogue is made under a hidden name in the target's folder and takes the target's
// name only once it is complete and closed: a run stopped any way, SIGKILL included, leaves
// nothing under that name that could pass for the tracks or stand in the way of the next try.
class PendingCatalogue {
public:
    explicit PendingCatalogue(const QString& target) : target_(target) {
        if (QFileInfo::exists(target))
            throw DbError(QStringLiteral("ファイルがすでにあります: %1").arg(target));
        const int fd = CreateHiddenBeside(target, QStringLiteral(".mkcatalogue-"), temp_);
        if (fd < 0)
            throw DbError(CannotOpen(target, qt_error_string(errno)));
        ::close(fd);
        RemoveOnSignal(temp_);
        db_ = Database::OpenDatabase(QFile::decodeName(temp_));
    }
    ~PendingCatalogue() {
        if (db_)
            db_->Close();
        if (!temp_.isEmpty())
            Remove(temp_.constData());
    }

    Database& Db() { return *db_; }

    void Place() {
        db_->Close();
        db_.reset();
        const QByteArray target = QFile::encodeName(target_);
        // A link never replaces a file someone put there meanwhile; a file system without
        // links gets the name by a rename instead.
        if (::link(temp_.constData(), target.constData()) != 0) {
            if (errno == EEXIST || QFileInfo::exists(target_) ||
                ::rename(temp_.constData(), target.constData()) != 0)
                throw DbError(CannotOpen(target_, qt_error_string(errno)));
        }
        Remove(temp_.constData());
        temp_.clear();
    }

private:
    static inline char signalled_[4096];

    static void Remove(const char* temp) {
        ::unlink(temp);
        char journal[sizeof signalled_ + 8];
        std::snprintf(journal, sizeof journal, "%s-journal", temp);
        ::unlink(journal);
    }
    // Only calls that are safe in a signal handler, on a copy of the name made beforehand.
    static void RemoveOnSignal(const QByteArray& temp) {
        if (temp.size() >= qsizetype(sizeof signalled_))
            return;
        std::memcpy(signalled_, temp.constData(), size_t(temp.size()) + 1);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, [](int number) {
                Remove(signalled_);
                ::_exit(128 + number);
            });
    }

    QString target_;
    QByteArray temp_;
    std::unique_ptr<Database> db_;
};

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
    int status = 0;
    try {
        PendingCatalogue made(path);
        tracktable::CreateTrackTable(made.Db(), program);
        if (cli.Parser().isSet(import))
            status = ImportTracks(cli, made.Db(), program, cli.Parser().value(import));
        else if (tracks > 0)
            democatalogue::AddTracks(made.Db(), program, tracks);
        if (status == 0)
            made.Place();
    } catch (const std::exception& error) {
        const QString message = QString::fromUtf8(error.what());
        status = cli.Error(message.contains(path) ? message : path + ": " + message);
    }
    return status;
}
