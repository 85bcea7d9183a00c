#pragma once

#include "trackindex.h"

#include <QDialog>
#include <atomic>
#include <functional>
#include <thread>

class QLabel;
class QLineEdit;
class QTableView;

// The window "検索": one text field, and below it, as the user types, every track any of whose
// texts contains what was typed. Enter or a double-click shows the chosen track in the window
// that opened it.
class FindWindow : public QDialog {
    Q_OBJECT
public:
    // Shows a track given its texts by column, ID first; false when the window could not.
    using ShowTrack = std::function<bool(const QStringList& row)>;
    // What the opening window's connection tells of commits by other connections: Database's
    // DataVersion. Throws DbError.
    using OthersCommits = std::function<qint64()>;

    // Throws DbError when the catalogue cannot be opened. The tracks are read on a thread of
    // their own: the window answers at once and searches once they are in.
    FindWindow(QWidget* parent, const QString& catalogue, Program program, ShowTrack show,
               OthersCommits othersCommits);
    ~FindWindow() override;

    QLineEdit* Text() const { return text_; }
    QTableView* Results() const { return results_; }
    // Reads the catalogue again when another copy changed it since, and searches again once it
    // is read; until then the tracks read before are searched.
    void Reread();
    // After a committed write of the opening window's own: the track's values as now stored, or
    // none once deleted. Found from the next search on, without a read.
    void Written(qint64 id, const QList<QVariant>& now);
    bool Reading() const { return reader_.joinable(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Coming back to the window is when the catalogue may have changed; a key press must stay
    // quick, so it never rereads.
    void changeEvent(QEvent* event) override;

private:
    void Search();
    void ShowChosen();
    void FirstPartArrived(std::shared_ptr<const TrackIndex::Tracks> part);
    void Arrived(std::shared_ptr<const TrackIndex::Tracks> tracks, const QString& problem);

    class Model;
    TrackIndex index_;
    ShowTrack show_;
    OthersCommits othersCommits_;
    qint64 othersCommitsRead_ = 0;
    // A write may have been missed, or the last read failed: the next Reread reads.
    bool stale_ = false;
    // Written while hidden; searched when the window comes back.
    bool searchWanted_ = false;
    QLineEdit* text_;
    QTableView* results_;
    Model* model_;
    QLabel* status_;
    QString notice_;
    std::thread reader_;
    std::atomic<bool> closing_ = false;
    bool rereadWanted_ = false;
};
