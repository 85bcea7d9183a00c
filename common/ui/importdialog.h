#pragma once

#include "disctracks.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// The window "取り込み": one disc's titles from a file or from text pasted in, shown as the tracks
// they would make, with the names they are filed under, before any is added.
class ImportDialog : public QDialog {
    Q_OBJECT
public:
    // Adds the tracks, the name they are filed under (album or disc) given for the history;
    // false when they were refused, with the user told why, and the dialog stays to mend them.
    using AddTracks =
        std::function<bool(const QList<trackadd::NewTrack>& tracks, const QString& filedUnder)>;

    ImportDialog(QWidget* parent, Program program, AddTracks add);

    void ReadFile(const QString& path);
    QPlainTextEdit* Pasted() const { return pasted_; }
    QLineEdit* FiledUnder() const { return filed_; }
    QLineEdit* Artist() const { return artist_; }
    QComboBox* TitleForm() const { return titleForm_; }
    QComboBox* MediumChoice() const { return medium_; }
    QTableWidget* Grid() const { return grid_; }
    QLabel* Status() const { return status_; }
    QLabel* TimeLeft() const { return time_; }
    QPushButton* AddButton() const { return add_; }

    enum Column { Take, Number, Title, Length, TrackArtist, Group, Columns };

private:
    void ChooseFile();
    void Show(const disctracks::Read& read);
    void FillTitles();
    void Recount();
    // The tracks ticked, with what the user typed in the grid.
    QList<disctracks::Track> Chosen() const;
    void Add();
    // The grid row a track to add came from, counted from 1, for the user.
    QString Describe(const trackcsv::Problem& problem) const;

    Program program_;
    AddTracks addTracks_;
    disctracks::Disc disc_;
    QPushButton* file_;
    QLabel* source_;
    QPlainTextEdit* pasted_;
    QLineEdit* filed_;
    QLineEdit* artist_;
    QComboBox* titleForm_;
    QTableWidget* grid_;
    QComboBox* medium_;
    QLabel* time_;
    QLabel* status_;
    QPushButton* add_;
};
