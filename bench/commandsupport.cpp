#include "commandsupport.h"

#include "msgbox.h"
#include "statements.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QThread>
#include <algorithm>
#include <malloc.h>
#include <stdexcept>

namespace bench {

namespace {

constexpr int kRounds = 9;
constexpr qsizetype kCommandsForMemory = 1000;
const ResultTable kResults({{QStringLiteral("program"), 9},
                            {QStringLiteral("tracks"), 9},
                            {QStringLiteral("command"), 14},
                            {QStringLiteral("window ms"), 10},
                            {QStringLiteral("full bare ms"), 13},
                            {QStringLiteral("ratio"), 7},
                            {QStringLiteral("redraw ms"), 10},
                            {QStringLiteral("bare write ms"), 14},
                            {QStringLiteral("beyond ms"), 10},
                            {QStringLiteral("worst beyond"), 13}});

QString Columns(Program program) {
    return tracktable::UserColumns(program).join(QStringLiteral(", "));
}

QString InsertSql(Program program) {
    QStringList marks;
    for (qsizetype i = 0; i < tracktable::UserColumns(program).size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(statements::Table(), Columns(program), marks.join(QStringLiteral(", ")));
}

QString UpdateSql(Program program) {
    return QStringLiteral("UPDATE %1 SET %2 = ? WHERE ID = ?")
        .arg(statements::Table(), tracktable::UserColumns(program).join(QStringLiteral(" = ?, ")));
}

QString DeleteSql() {
    return QStringLiteral("DELETE FROM %1 WHERE ID = ?").arg(statements::Table());
}

} // namespace

Row WithTitle(Program program, Row row, const QString& title) {
    row[tracktable::UserColumns(program).indexOf(QStringLiteral("曲名"))] = title;
    return row;
}

Row StoredRow(sqlite3* db, Program program, qint64 id) {
    const StatementHandle stmt =
        PrepareBare(db, QStringLiteral("SELECT %1 FROM %2 WHERE ID = %3")
                            .arg(Columns(program), statements::Table(), QString::number(id)));
    if (sqlite3_step(stmt.get()) != SQLITE_ROW)
        throw std::runtime_error("no track has the key " + std::to_string(id));
    Row row;
    for (int column = 0; column < sqlite3_column_count(stmt.get()); ++column) {
        if (sqlite3_column_type(stmt.get(), column) == SQLITE_INTEGER)
            row << qint64(sqlite3_column_int64(stmt.get(), column));
        else
            row << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), column)));
    }
    return row;
}

qint64 TrackCount(sqlite3* db) {
    return FirstColumn(db, QStringLiteral("SELECT count(*) FROM %1").arg(statements::Table()))
        .value(0)
        .toLongLong();
}

QString Middle(const QStringList& values, int after) {
    if (values.isEmpty())
        throw std::runtime_error("the catalogue has no tracks");
    return values[(values.size() / 2 + after) % values.size()];
}

namespace {

QString Copied(const QString& path) {
    const QString copy = path + QStringLiteral("-bare");
    QFile::remove(copy);
    if (!QFile::copy(path, copy))
        throw std::runtime_error("cannot copy the catalogue for SQLite alone");
    return copy;
}

} // namespace

BareCatalogue::BareCatalogue(const QString& path, Program program)
    : db_(OpenBare(Copied(path), SQLITE_OPEN_READWRITE)),
      insert_(PrepareBare(db(), InsertSql(program))),
      update_(PrepareBare(db(), UpdateSql(program))), delete_(PrepareBare(db(), DeleteSql())) {
    // As the window writes while it has the catalogue open.
    Read(QStringLiteral("PRAGMA journal_mode = WAL"));
    Read(QStringLiteral("PRAGMA synchronous = EXTRA"));
}

void BareCatalogue::Change(qint64 id, const Row& row) {
    FindKey(id);
    Transaction([&] {
        Bind(update_.get(), row);
        sqlite3_bind_int64(update_.get(), int(row.size()) + 1, id);
        Step(update_.get());
    });
}

qint64 BareCatalogue::Add(const Row& row) {
    Transaction([&] {
        Bind(insert_.get(), row);
        Step(insert_.get());
    });
    return sqlite3_last_insert_rowid(db());
}

void BareCatalogue::Delete(qint64 id) {
    FindKey(id);
    Transaction([&] {
        sqlite3_bind_int64(delete_.get(), 1, id);
        Step(delete_.get());
    });
}

void BareCatalogue::Write(const std::function<void()>& work) {
    lastWriteMs_ = ElapsedMs(work);
}

void BareCatalogue::Transaction(const std::function<void()>& change) {
    Write([&] {
        Read(QStringLiteral("BEGIN IMMEDIATE"));
        change();
        Read(QStringLiteral("COMMIT"));
    });
}

void BareCatalogue::Step(sqlite3_stmt* stmt) const {
    ReadRows(db(), stmt);
    sqlite3_reset(stmt);
}

void BareCatalogue::FindKey(qint64 id) const {
    Read(QStringLiteral("SELECT ID FROM %1 WHERE %2 ORDER BY ID ASC LIMIT 1")
             .arg(statements::Table(), statements::IdCriterion(QString::number(id))));
}

void BareCatalogue::Bind(sqlite3_stmt* stmt, const Row& row) {
    for (int i = 0; i < row.size(); ++i) {
        const QVariant& value = row[i];
        if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
            sqlite3_bind_int64(stmt, i + 1, value.toLongLong());
            continue;
        }
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
}

WindowDriver::WindowDriver(CatalogueWindow& window) : window_(window) {
    if (!window_.Form_Load())
        throw std::runtime_error(MessageBox::TakeShown().value(0).prompt.toStdString());
    window_.show();
    window_.activateWindow();
    for (int wait = 0; wait < 200 && !window_.isActiveWindow(); ++wait) {
        QThread::msleep(10);
        QApplication::processEvents();
    }
    QApplication::processEvents();
}

void WindowDriver::GoToTab(int tab) {
    window_.SSTab1->SetTab(tab);
    QApplication::processEvents();
}

double WindowDriver::Pick(int tab, ComboBox& list, const QString& text,
                          const std::function<void()>& click) {
    GoToTab(tab);
    // The list showing the entry picked is part of what the user waits for.
    return Timed(
        0,
        [&] {
            list.SetText(text);
            click();
        },
        &list);
}

double WindowDriver::MoveInGrid(DataGrid& grid) {
    const bool last = grid.currentIndex().row() + 1 >= grid.RowCount();
    return Timed(
        0,
        [&] {
            QKeyEvent press(QEvent::KeyPress, last ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(&grid, &press);
        },
        &grid);
}

double WindowDriver::Timed(int expectedPrompts, const std::function<void()>& handler,
                           QWidget* from) {
    if (from)
        from->setFocus();
    QApplication::processEvents();
    double ms = 0;
    const Settled settled = MeasureSettled([&] {
        const double handlerMs = ElapsedMs(handler);
        lastRedrawMs_ = ElapsedMs([] { QApplication::processEvents(); });
        // The user waits for the window drawn anew, not for the handler alone.
        ms = handlerMs + lastRedrawMs_;
    });
    lastCpuMs_ = settled.cpuMs;
    lastSpan_ = settled.span;
    const auto shown = MessageBox::TakeShown();
    if (shown.size() != expectedPrompts)
        throw std::runtime_error("unexpected message: " + shown.value(0).prompt.toStdString());
    return ms;
}

void BareCatalogue::Close() {
    db_.reset();
    malloc_trim(0);
}

CommandBench::CommandBench(const QString& path, Program program, QStringList commands)
    : bare_(path, program), program_(program), commands_(std::move(commands)),
      windowMs_(commands_.size()), redrawMs_(commands_.size()), cpuMs_(commands_.size()),
      bareMs_(commands_.size()), writeMs_(commands_.size()), spans_(commands_.size()) {}

void CommandBench::Measure(qint64 tracks) {
    const double startedMb = ResidentMb();
    const qint64 size = TrackCount(bare_.db());
    for (int round = 0; round < kRounds; ++round) {
        WindowRound(round);
        BareRound(round);
        if (TrackCount(bare_.db()) != size)
            throw std::runtime_error("an added track was not deleted again");
    }
    PrintResults(tracks);
    // Memory that grows with use shows only after many commands; the program itself has no bare
    // connection beside its own.
    bare_.Close();
    int round = kRounds;
    while (round * commands_.size() < kCommandsForMemory)
        WindowRound(round++);
    Out() << QStringLiteral("%1 %2: resident MB %3 after start-up, %4 after %5 commands\n")
                 .arg(ProgramName(program_), QString::number(tracks))
                 .arg(startedMb, 0, 'f', 1)
                 .arg(ResidentMb(), 0, 'f', 1)
                 .arg(round * commands_.size());
}

void CommandBench::RecordWindow(int command, const WindowDriver& driver, double ms) {
    windowMs_[command].push_back(ms);
    redrawMs_[command].push_back(driver.LastRedrawMs());
    cpuMs_[command].push_back(driver.LastCpuMs());
    spans_[command].push_back(driver.LastSpan());
}

void CommandBench::RunWindowRounds(int rounds) {
    for (int round = 0; round < rounds; ++round)
        WindowRound(round);
}

void CommandBench::TimeRead(int command, const std::function<void()>& work) {
    bareMs_[command].push_back(ElapsedMs(work));
}

void CommandBench::TimeWrite(int command, const std::function<void()>& work) {
    TimeRead(command, work);
    writeMs_[command].push_back(bare_.LastWriteMs());
}

const ResultTable& CommandBench::Table() {
    return kResults;
}

void CommandBench::PrintResults(qint64 tracks) const {
    for (int command = 0; command < commands_.size(); ++command) {
        const double windowMs = Median(windowMs_[command]);
        const double bareMs = Median(bareMs_[command]);
        // A command with no statements of its own (a move in a grid) has nothing to be compared
        // with.
        constexpr double kNoWorkMs = 0.01;
        const QString ratio = bareMs < kNoWorkMs ? QString() : Ratio(windowMs / bareMs);
        const auto& writes = writeMs_[command];
        // A change is judged beyond the one durable commit it cannot do without, and every time
        // it is given, not only as a rule.
        const double writeMs = writes.empty() ? 0.0 : Median(writes);
        const double worstBeyondMs =
            *std::max_element(windowMs_[command].begin(), windowMs_[command].end()) - writeMs;
        kResults.PrintRow({ProgramName(program_), QString::number(tracks), commands_[command],
                           Ms(windowMs), Ms(bareMs), ratio, Ms(Median(redrawMs_[command])),
                           writes.empty() ? QString() : Ms(writeMs), Ms(windowMs - writeMs),
                           Ms(worstBeyondMs)},
                          MetOrMissed(worstBeyondMs <= kTargetCommandMs));
    }
}

} // namespace bench
