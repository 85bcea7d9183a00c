#pragma once

#include "benchsupport.h"
#include "cataloguewindow.h"
#include "settling.h"

#include <QVariantList>
#include <functional>
#include <vector>

// What the command benchmarks of both programs share: SQLite alone doing a command's work, the
// window driven through its handlers, and the rounds that time both and print the results.
namespace bench {

// One frame at 60 Hz at a million tracks, and well inside it at the size of a large collection.
inline constexpr double kTargetCommandMs = 16.0;

// A track as the window writes it: the program's own columns, in the table's order.
using Row = QVariantList;
Row WithTitle(Program program, Row row, const QString& title);
// The stored track of that key, as a row to write back.
Row StoredRow(sqlite3* db, Program program, qint64 id);
qint64 TrackCount(sqlite3* db);
// The entry a user scrolling to the middle of a list would pick, or one of those after it.
QString Middle(const QStringList& values, int after = 0);

// SQLite alone running the statements as written, every list read in full, on a copy of the
// catalogue: its writes must not look to the window like another copy of the program at work,
// which would make it read its lists in full too. It commits with synchronous = EXTRA as the
// window does, so a change pays the same syncs on each side.
class BareCatalogue {
public:
    BareCatalogue(const QString& path, Program program);

    sqlite3* db() const { return db_.get(); }
    // Done with: its pages no longer counted in the program's memory.
    void Close();
    // The time the last write spent making itself durable: a whole transaction, or a file.
    double LastWriteMs() const { return lastWriteMs_; }

    void Read(const QString& sql) const { ReadAll(db(), sql); }
    // The window's dynaset first finds the row by its key, then writes it in a transaction.
    void Change(qint64 id, const Row& row);
    qint64 Add(const Row& row);
    void Delete(qint64 id);
    // Times some other durable work, such as a file the command saves, as the write.
    void Write(const std::function<void()>& work);

private:
    void Transaction(const std::function<void()>& change);
    void Step(sqlite3_stmt* stmt) const;
    void FindKey(qint64 id) const;
    static void Bind(sqlite3_stmt* stmt, const Row& row);

    SqliteHandle db_;
    StatementHandle insert_, update_, delete_;
    double lastWriteMs_ = 0;
};

// Drives a started window by calling its handlers as the controls would. Each command returns
// the time its handler took; the steps that bring the window to where a user would give the
// command are left out.
class WindowDriver {
public:
    // Runs the start-up and shows the window, active as the window a user works in.
    explicit WindowDriver(CatalogueWindow& window);

    // The time the events the last command left behind took: the grids' layout and the repaint.
    double LastRedrawMs() const { return lastRedrawMs_; }
    // The CPU time the whole process, all its threads, spent on the last command, its events
    // and its settling.
    double LastCpuMs() const { return lastCpuMs_; }
    Span LastSpan() const { return lastSpan_; }

    void GoToTab(int tab);
    // Picks the text in a list on that tab, the focus on the list: its Click is the handler timed.
    double Pick(int tab, ComboBox& list, const QString& text, const std::function<void()>& click);
    // A command that shows some other number of messages than expected has not done its work.
    // With a control, the focus is on it first, as on the button a user presses.
    double Timed(int expectedPrompts, const std::function<void()>& handler,
                 QWidget* from = nullptr);
    // The arrow key that makes the grid's next row current, or its previous one from the last.
    double MoveInGrid(DataGrid& grid);

private:
    CatalogueWindow& window_;
    double lastRedrawMs_ = 0;
    double lastCpuMs_ = 0;
    Span lastSpan_;
};

// One program's commands on one catalogue: a subclass starts the window and times each command
// on it and on SQLite alone, round by round.
class CommandBench {
public:
    CommandBench(const QString& path, Program program, QStringList commands);
    virtual ~CommandBench() = default;

    // The two sides take turns round by round, so a passing load on the machine slows both
    // alike. Prints a row for each command.
    void Measure(qint64 tracks);

    // The window's rounds alone, as beside a screen reader, each command's CPU time and span
    // kept by the command's index in Commands().
    void RunWindowRounds(int rounds);
    const QStringList& Commands() const { return commands_; }
    const std::vector<double>& CpuMs(int command) const { return cpuMs_[command]; }
    const std::vector<Span>& Spans(int command) const { return spans_[command]; }
    // The first browse tab's list and grid, whose shape a floor window copies.
    virtual std::pair<const ComboBox*, const DataGrid*> FirstBrowseTab() const = 0;

    // Its columns: each command's times on both sides.
    static const ResultTable& Table();

protected:
    // Adds are undone by deletes within a round, so the catalogue keeps its size.
    virtual void WindowRound(int round) = 0;
    virtual void BareRound(int round) = 0;

    void RecordWindow(int command, const WindowDriver& driver, double ms);
    void TimeRead(int command, const std::function<void()>& work);
    // A command that writes also records how long the write itself took.
    void TimeWrite(int command, const std::function<void()>& work);

    BareCatalogue bare_;

private:
    void PrintResults(qint64 tracks) const;

    Program program_;
    QStringList commands_;
    std::vector<std::vector<double>> windowMs_, redrawMs_, cpuMs_, bareMs_, writeMs_;
    std::vector<std::vector<Span>> spans_;
};

} // namespace bench
