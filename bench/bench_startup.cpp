// How long the album window takes to start on catalogues of growing size, against SQLite alone
// running the same two list statements. The window should cost little more than the statements:
// at 100,000 tracks, under twice their time and under half a second in all.
//
//   bench_startup [TRACKS...]      (default: 1000 100000 1000000)

#include "appsetup.h"
#include "democatalogue.h"
#include "frmcaldrin.h"
#include "msgbox.h"
#include "statements.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kRepetitions = 5;
constexpr qint64 kTargetTracks = 100000;
constexpr double kTargetRatio = 2.0;
constexpr double kTargetFormLoadMs = 500.0;

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double ElapsedMs(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Each run times itself, so it can leave out what it has to prepare.
double MedianMs(const std::function<double()>& timedRun) {
    std::vector<double> times;
    for (int i = 0; i < kRepetitions; ++i)
        times.push_back(timedRun());
    return Median(times);
}

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

SqliteHandle OpenBare(const QString& path) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK)
        throw std::runtime_error(sqlite3_errstr(rc));
    return db;
}

// Fetches the text of every row, as the lists need it; returns how many rows there were.
qint64 ReadAll(sqlite3* db, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    const StatementHandle stmt(raw);
    qint64 rows = 0;
    int rc;
    for (; (rc = sqlite3_step(stmt.get())) == SQLITE_ROW; ++rows)
        sqlite3_column_text(stmt.get(), 0);
    if (rc != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db));
    return rows;
}

struct Lists {
    qint64 albums = 0;
    qint64 artists = 0;
};

Lists ReadBothLists(const QString& path) {
    const SqliteHandle db = OpenBare(path);
    return {ReadAll(db.get(), statements::caldrin::AllAlbums()),
            ReadAll(db.get(), statements::caldrin::AllArtistsOrdered())};
}

std::vector<qint64> Sizes(const QStringList& args) {
    if (args.isEmpty())
        return {1000, 100000, 1000000};
    std::vector<qint64> sizes;
    for (const QString& arg : args) {
        bool ok = false;
        const qint64 tracks = arg.toLongLong(&ok);
        if (!ok || tracks <= 0)
            throw std::invalid_argument("track counts must be positive whole numbers: " +
                                        arg.toStdString());
        sizes.push_back(tracks);
    }
    return sizes;
}

void PrintHeader() {
    Out() << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                 .arg(QStringLiteral("tracks"), 10)
                 .arg(QStringLiteral("albums"), 9)
                 .arg(QStringLiteral("artists"), 9)
                 .arg(QStringLiteral("Form_Load ms"), 13)
                 .arg(QStringLiteral("bare ms"), 9)
                 .arg(QStringLiteral("ratio"), 7);
    Out().flush();
}

QString Verdict(qint64 tracks, double formLoadMs, double ratio) {
    if (tracks != kTargetTracks)
        return {};
    const bool met = formLoadMs < kTargetFormLoadMs && ratio < kTargetRatio;
    return met ? QStringLiteral("  targets met") : QStringLiteral("  TARGETS MISSED");
}

void Measure(qint64 tracks) {
    const QTemporaryDir folder;
    const QString path = tracktable::FilePath(folder.path(), Program::Caldrin);
    democatalogue::Create(path, Program::Caldrin, tracks);
    // TITLE.TXT is read from the current folder; an empty folder keeps a stray one out.
    QDir::setCurrent(folder.path());
    const Lists lists = ReadBothLists(path);
    const double bareMs = MedianMs([&] { return ElapsedMs([&] { ReadBothLists(path); }); });
    const double formLoadMs = FormLoadMs(folder.path());
    const double ratio = formLoadMs / bareMs;
    Out() << QStringLiteral("%1 %2 %3 %4 %5 %6%7\n")
                 .arg(tracks, 10)
                 .arg(lists.albums, 9)
                 .arg(lists.artists, 9)
                 .arg(formLoadMs, 13, 'f', 1)
                 .arg(bareMs, 9, 'f', 1)
                 .arg(ratio, 7, 'f', 2)
                 .arg(Verdict(tracks, formLoadMs, ratio));
    Out().flush();
}

void PrintTargets() {
    Out() << QStringLiteral("\ntargets at %1 tracks: ratio under %2, Form_Load under %3 ms\n")
                 .arg(kTargetTracks)
                 .arg(kTargetRatio)
                 .arg(kTargetFormLoadMs);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetUpApplication(app);
    // A failed start-up is reported here rather than waiting in a message box nobody sees.
    MessageBox::SetTestMode(true);
    try {
        const std::vector<qint64> sizes = Sizes(app.arguments().mid(1));
        PrintHeader();
        for (qint64 tracks : sizes)
            Measure(tracks);
        PrintTargets();
    } catch (const std::exception& error) {
        QTextStream(stderr) << "bench_startup: " << QString::fromStdString(error.what()) << '\n';
        return 1;
    }
    return 0;
}
