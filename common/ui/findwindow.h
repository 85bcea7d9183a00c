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

    // Throws DbError when the catalogue cannot be opened. The tracks are read on a thread of
    // their own: the window answers at once and searches once they are in.
    FindWindow(QWidget* parent, const QString& catalogue, Program program, ShowTrack show);
    ~FindWindow() override;

    QLineEdit* Text() const { return text_; }
    QTableView* Results() const { return results_; }
    // Reads the catalogue again when it changed since, and searches again once it is read; until
    // then the tracks read before are searched.
    void Reread();
    bool Reading() const { return reader_.joinable(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Coming back to the window is when the catalogue may have changed; a key press must stay
    // quick, so it never rereads.
    void changeEvent(QEvent* event) override;

private:
    void Search();
    void ShowChosen();
    void Arrived(std::shared_ptr<const TrackIndex::Tracks> tracks, qint64 version,
                 const QString& problem);

    class Model;
    TrackIndex index_;
    ShowTrack show_;
    QLineEdit* text_;
    QTableView* results_;
    Model* model_;
    QLabel* status_;
    QString notice_;
    std::thread reader_;
    std::atomic<bool> closing_ = false;
    bool rereadWanted_ = false;
};
