// How long the start-up backup takes while another copy of the program changes a track 20 times a
// second, beside the same backup with nobody writing; and how long those writes wait, beside the
// same writes with no backup. The writer is a process of its own, writing as a window does,
// through the log beside the catalogue. A backup should finish within 2× its idle time, and no
// write should wait more than 16 ms.
//
//   bench_backup [TRACKS...]      (default: 1000 100000 1000000)

#include "backup.h"
#include "benchsupport.h"
#include "database.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

using namespace bench;

namespace {

constexpr auto kWriteEvery = std::chrono::milliseconds(50);
constexpr double kTargetSlowdown = 2.0;
constexpr double kTargetWaitMs = 16.0;
const char kWriterFlag[] = "--writer";

double MonotonicMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The other copy: retitles one track after another, one transaction each, and reports when each
// write began and how long it took, until it is killed.
[[noreturn]] void WriteForever(const QString& path) {
    auto db = tracktable::OpenCatalogue(path, Program::Caldrin);
    db->LogWritesWhileOpen();
    const StatementHandle retitle = db->Prepare(
        QStringLiteral("UPDATE データレコード SET 曲名 = ? WHERE ID = (SELECT min(ID) FROM "
                       "データレコード) + ?"));
    for (int write = 0;; ++write) {
        const double start = MonotonicMs();
        db->BeginTrans();
        const QByteArray title = "retitled " + QByteArray::number(write);
        sqlite3_bind_text(retitle.get(), 1, title.constData(), int(title.size()), SQLITE_STATIC);
        sqlite3_bind_int(retitle.get(), 2, write % 1000);
        db->WriteOneRow(retitle.get());
        sqlite3_reset(retitle.get());
        db->CommitTrans();
        std::printf("%.3f %.3f\n", start, MonotonicMs() - start);
        std::fflush(stdout);
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + kWriteEvery);
    }
}

struct Write {
    double start;
    double ms;
};

class Writer {
public:
    explicit Writer(const QString& catalogue) {
        process_.start(QCoreApplication::applicationFilePath(), {kWriterFlag, catalogue});
        if (!process_.waitForStarted())
            throw std::runtime_error("the writer did not start");
    }
    ~Writer() {
        process_.kill();
        process_.waitForFinished();
    }
    // The writes reported so far.
    std::vector<Write> Writes() {
        process_.waitForReadyRead(0);
        while (process_.canReadLine()) {
            const QList<QByteArray> fields = process_.readLine().trimmed().split(' ');
            writes_.push_back({fields.value(0).toDouble(), fields.value(1).toDouble()});
        }
        if (process_.state() != QProcess::Running)
            throw std::runtime_error("the writer stopped: " +
                                     process_.readAllStandardError().toStdString());
        return writes_;
    }

private:
    QProcess process_;
    std::vector<Write> writes_;
};

double LongestWait(const std::vector<Write>& writes, double from, double to) {
    double longest = 0;
    for (const Write& write : writes) {
        if (write.start + write.ms >= from && write.start <= to)
            longest = std::max(longest, write.ms);
    }
    return longest;
}

// The program that starts the backups, with the catalogue open as it writes; each backup follows
// a change of its own, as a start-up after one does, and gets the next second as its time.
class RunningProgram {
public:
    explicit RunningProgram(const Catalogue& catalogue)
        : catalogue_(catalogue),
          db_(tracktable::OpenCatalogue(catalogue.Path(), Program::Caldrin)) {
        db_->LogWritesWhileOpen();
    }

    double TimedBackup() {
        db_->Execute(QStringLiteral("UPDATE データレコード SET 曲名 = 曲名 || '+' WHERE ID = "
                                    "(SELECT max(ID) FROM データレコード)"));
        now_ = now_.addSecs(1);
        const double start = MonotonicMs();
        const QString problem = backup::BackUpIfChanged(catalogue_.Path(), now_);
        if (!problem.isEmpty())
            throw std::runtime_error(problem.toStdString());
        return MonotonicMs() - start;
    }

private:
    const Catalogue& catalogue_;
    std::unique_ptr<Database> db_;
    QDateTime now_{QDate(2026, 1, 1), QTime(12, 0)};
};

void Measure(qint64 tracks, const ResultTable& table) {
    const Catalogue catalogue(tracks);
    RunningProgram program(catalogue);
    // The folder full, so that each backup also removes the oldest, as it does once a program
    // has been started often enough.
    for (int backup = 0; backup < backup::kKept; ++backup)
        program.TimedBackup();
    const double idle = MedianMs([&] { return program.TimedBackup(); });
    Writer writer(catalogue.Path());
    // Two seconds of writing alone, for what a write takes without a backup.
    QThread::msleep(2000);
    const double aloneTo = MonotonicMs();
    std::vector<double> underWrites;
    double waited = 0;
    for (int run = 0; run < kRepetitions; ++run) {
        const double from = MonotonicMs();
        underWrites.push_back(program.TimedBackup());
        const double to = MonotonicMs();
        // The writes overlapping the backup have reported once the next one has.
        QThread::msleep(2 * kWriteEvery.count());
        waited = std::max(waited, LongestWait(writer.Writes(), from, to));
    }
    const double alone = LongestWait(writer.Writes(), 0, aloneTo);
    const double slowdown = Median(underWrites) / idle;
    table.PrintRow({QString::number(tracks), Ms(idle), Ms(Median(underWrites)), Ratio(slowdown),
                    Ms(alone), Ms(waited)},
                   MetOrMissed(slowdown <= kTargetSlowdown && waited <= kTargetWaitMs));
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && QByteArray(argv[1]) == kWriterFlag) {
        QCoreApplication app(argc, argv);
        try {
            WriteForever(QString::fromLocal8Bit(argv[2]));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
    }
    return Run(argc, argv, "bench_backup", [](const std::vector<qint64>& sizes) {
        const ResultTable table({{QStringLiteral("tracks"), 9},
                                 {QStringLiteral("idle ms"), 9},
                                 {QStringLiteral("writing ms"), 11},
                                 {QStringLiteral("ratio"), 7},
                                 {QStringLiteral("write alone max"), 16},
                                 {QStringLiteral("during max"), 11}});
        table.PrintHeader();
        for (qint64 tracks : sizes)
            Measure(tracks, table);
        Out() << QStringLiteral("\ntarget at every size: the backup within %1× its idle time "
                                "while a track changes every %2 ms, and no write waiting more "
                                "than %3 ms (write alone max: the same writes without a "
                                "backup)\n")
                     .arg(kTargetSlowdown)
                     .arg(kWriteEvery.count())
                     .arg(kTargetWaitMs);
    });
}
