#include "benchsupport.h"

#include "appsetup.h"
#include "democatalogue.h"
#include "msgbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <malloc.h>
#include <stdexcept>

namespace bench {

namespace {

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

const Program kPrograms[] = {Program::Caldrin, Program::Trensoly};

// Leading program names are taken off the arguments; none stands for every program.
std::vector<Program> Programs(QStringList& args) {
    std::vector<Program> programs;
    while (!args.isEmpty()) {
        const auto named =
            std::find_if(std::begin(kPrograms), std::end(kPrograms),
                         [&](Program program) { return args.first() == ProgramName(program); });
        if (named == std::end(kPrograms))
            break;
        programs.push_back(*named);
        args.removeFirst();
    }
    if (programs.empty())
        programs.assign(std::begin(kPrograms), std::end(kPrograms));
    return programs;
}

int RunArguments(int argc, char* argv[], const char* name,
                 const std::function<void(QStringList args)>& body) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetUpApplication(app);
    // A failure is reported here rather than waiting in a message box nobody sees.
    MessageBox::SetTestMode(true);
    try {
        body(app.arguments().mid(1));
    } catch (const std::exception& error) {
        QTextStream(stderr) << name << ": " << QString::fromUtf8(error.what()) << '\n';
        return 1;
    }
    return 0;
}

} // namespace

double TimeToExit(const QString& program, const QStringList& arguments, const QString& input,
                  const QString& output) {
    constexpr int kTimeoutMs = 10 * 60 * 1000;
    QProcess process;
    if (!input.isEmpty())
        process.setStandardInputFile(input);
    process.setStandardOutputFile(output);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForFinished(kTimeoutMs) || process.exitCode() != 0)
        throw std::runtime_error(program.toStdString() +
                                 " failed: " + process.readAllStandardError().toStdString());
    return double(clock.nsecsElapsed()) / 1e6;
}

QString ProgramName(Program program) {
    return program == Program::Caldrin ? QStringLiteral("caldrin") : QStringLiteral("trensoly");
}

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

double ElapsedMs(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double MedianMs(const std::function<double()>& timedRun) {
    std::vector<double> times;
    for (int i = 0; i < kRepetitions; ++i)
        times.push_back(timedRun());
    return Median(times);
}

double ResidentMb(qint64 pid) {
    QFile status(pid ? QStringLiteral("/proc/%1/status").arg(pid)
                     : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

Catalogue::Catalogue(qint64 tracks, Program program)
    : path_(tracktable::FilePath(folder_.path(), program)) {
    if (!folder_.isValid())
        throw std::runtime_error(folder_.errorString().toStdString());
    democatalogue::Create(path_, program, tracks);
    // Making the catalogue leaves freed memory behind that the programs never used; without it
    // back, the memory measured in this process would be the maker's as well.
    malloc_trim(0);
    QDir::setCurrent(folder_.path());
}

SqliteHandle OpenBare(const QString& path, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK)
        throw std::runtime_error(sqlite3_errstr(rc));
    return db;
}

StatementHandle PrepareBare(sqlite3* db, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    return StatementHandle(raw);
}

qint64 ReadRows(sqlite3* db, sqlite3_stmt* stmt) {
    const int width = sqlite3_column_count(stmt);
    qint64 rows = 0;
    int rc;
    for (; (rc = sqlite3_step(stmt)) == SQLITE_ROW; ++rows) {
        for (int column = 0; column < width; ++column)
            sqlite3_column_text(stmt, column);
    }
    if (rc != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db));
    return rows;
}

qint64 ReadAll(sqlite3* db, const QString& sql) {
    return ReadRows(db, PrepareBare(db, sql).get());
}

QStringList FirstColumn(sqlite3* db, const QString& sql) {
    const StatementHandle stmt = PrepareBare(db, sql);
    QStringList values;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
        values << QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)));
    if (rc != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db));
    return values;
}

void ResultTable::PrintHeader() const {
    QStringList titles;
    for (const Column& column : columns_)
        titles << column.title;
    PrintRow(titles);
}

void ResultTable::PrintRow(const QStringList& cells, const QString& remark) const {
    QStringList padded;
    for (size_t i = 0; i < columns_.size(); ++i)
        padded << cells.value(int(i)).rightJustified(columns_[i].width);
    Out() << padded.join(QLatin1Char(' ')) << remark << '\n';
    // Rows appear as they are measured, not when the run ends.
    Out().flush();
}

QString MetOrMissed(bool met) {
    return met ? QStringLiteral("  met") : QStringLiteral("  missed");
}

QString Verdict(qint64 tracks, bool targetsMet) {
    if (tracks != kTargetTracks && tracks != 1000000)
        return {};
    return targetsMet ? QStringLiteral("  targets met") : QStringLiteral("  TARGETS MISSED");
}

QString Ms(double ms) {
    return QString::number(ms, 'f', 2);
}

QString Ratio(double ratio) {
    return QString::number(ratio, 'f', 2);
}

int Run(int argc, char* argv[], const char* name,
        const std::function<void(const std::vector<qint64>& sizes)>& body) {
    return RunArguments(argc, argv, name, [&](const QStringList& args) { body(Sizes(args)); });
}

int RunPrograms(int argc, char* argv[], const char* name, const ResultTable& table,
                const QString& targets,
                const std::function<void(Program program, qint64 tracks)>& measure) {
    return RunArguments(argc, argv, name, [&](QStringList args) {
        const std::vector<Program> programs = Programs(args);
        const std::vector<qint64> sizes = Sizes(args);
        table.PrintHeader();
        for (qint64 tracks : sizes) {
            for (Program program : programs)
                measure(program, tracks);
        }
        Out() << '\n' << targets << '\n';
    });
}

} // namespace bench
