#pragma once

#include "trackindex.h"

#include <QDialog>
#include <functional>

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

    // Throws DbError when the catalogue cannot be read.
    FindWindow(QWidget* parent, const QString& catalogue, Program program, ShowTrack show);

    QLineEdit* Text() const { return text_; }
    QTableView* Results() const { return results_; }
    // Reads the catalogue again when it changed since, and searches again.
    void Reread();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Coming back to the window is when the catalogue may have changed; a key press must stay
    // quick, so it never rereads.
    void changeEvent(QEvent* event) override;

private:
    void Search();
    void ShowChosen();

    class Model;
    TrackIndex index_;
    ShowTrack show_;
    QLineEdit* text_;
    QTableView* results_;
    Model* model_;
    QLabel* status_;
};
