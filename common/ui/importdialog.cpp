#include "importdialog.h"

#include "appsetup.h"
#include "msgbox.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

using disctracks::Source;

namespace {

const QString kMediumKey = QStringLiteral("import/medium");
// So many problems are listed in one box; the rest are counted.
constexpr qsizetype kListedProblems = 10;

QString SourceName(Source source) {
    switch (source) {
    case Source::MiniDisc:
        return QStringLiteral("Web MiniDisc Pro の曲名");
    case Source::Cue:
        return QStringLiteral("CUE シート");
    case Source::Freedb:
        return QStringLiteral("freedb のファイル");
    case Source::PlainText:
        break;
    }
    return QStringLiteral("1 行に 1 曲の曲名");
}

QTableWidgetItem* Cell(const QString& text, bool editable) {
    auto* item = new QTableWidgetItem(text);
    if (!editable)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

ImportDialog::ImportDialog(QWidget* parent, Program program, AddTracks add)
    : QDialog(parent), program_(program), addTracks_(std::move(add)) {
    setWindowTitle(QStringLiteral("取り込み"));
    setObjectName(QStringLiteral("frmImport"));
    file_ = new QPushButton(QStringLiteral("ファイルを開く(&O)…"), this);
    file_->setObjectName(QStringLiteral("cmdFile"));
    source_ = new QLabel(QStringLiteral("ファイルを開くか、曲名を下に貼り付けて下さい。"), this);
    source_->setTextFormat(Qt::PlainText);
    pasted_ = new QPlainTextEdit(this);
    pasted_->setObjectName(QStringLiteral("txtPaste"));
    pasted_->setAccessibleName(QStringLiteral("貼り付けた曲名"));
    pasted_->setPlaceholderText(QStringLiteral("1 行に 1 曲の曲名、CUE シート、freedb のファイル"
                                               "などの中身をここに貼り付けることもできます。"));
    pasted_->setTabChangesFocus(true);
    pasted_->setMaximumHeight(fontMetrics().height() * 5);
    filed_ = new QLineEdit(this);
    filed_->setObjectName(program == Program::Caldrin ? QStringLiteral("txtAlbum")
                                                      : QStringLiteral("txtMD"));
    artist_ = new QLineEdit(this);
    artist_->setObjectName(QStringLiteral("txtArtist"));
    titleForm_ = new QComboBox(this);
    titleForm_->setObjectName(QStringLiteral("cmbTitleForm"));
    titleForm_->addItems({QStringLiteral("全角の曲名"), QStringLiteral("半角の曲名")});
    titleForm_->setEnabled(false);
    grid_ = new QTableWidget(0, Columns, this);
    grid_->setObjectName(QStringLiteral("grdImport"));
    grid_->setAccessibleName(QStringLiteral("取り込む曲"));
    grid_->setHorizontalHeaderLabels(
        {QStringLiteral("取り込む"), QStringLiteral("曲番"), QStringLiteral("曲名"),
         QStringLiteral("演奏時間"), QStringLiteral("アーチスト名"), QStringLiteral("アルバム名")});
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    // The titles take the room; the rest are as wide as what they hold.
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grid_->horizontalHeader()->setSectionResizeMode(Title, QHeaderView::Stretch);
    grid_->setTabKeyNavigation(false);
    medium_ = new QComboBox(this);
    medium_->setObjectName(QStringLiteral("cmbMedium"));
    for (const disctracks::Medium& medium : disctracks::Media())
        medium_->addItem(medium.Name());
    medium_->setCurrentText(ProgramSettings(program).value(kMediumKey, "74分 SP").toString());
    time_ = new QLabel(this);
    time_->setTextFormat(Qt::PlainText);
    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    add_ = new QPushButton(QStringLiteral("追加(&A)"), this);
    add_->setObjectName(QStringLiteral("cmdAdd"));
    add_->setEnabled(false);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("cmdCancel"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("貼り付け(&P)"), pasted_);
    fields->addRow(program == Program::Caldrin ? QStringLiteral("アルバム名(&L)")
                                               : QStringLiteral("MD番号(&N)"),
                   filed_);
    fields->addRow(QStringLiteral("アーチスト名(&R)"), artist_);
    fields->addRow(QStringLiteral("曲名の文字(&W)"), titleForm_);
    auto* top = new QHBoxLayout;
    top->addWidget(file_);
    top->addWidget(source_, 1);
    auto* time = new QHBoxLayout;
    auto* mediumLabel = new QLabel(QStringLiteral("ディスク(&D)"), this);
    mediumLabel->setBuddy(medium_);
    time->addWidget(mediumLabel);
    time->addWidget(medium_);
    time->addWidget(time_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(add_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(fields);
    layout->addWidget(grid_, 1);
    layout->addLayout(time);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    resize(640, 560);

    // Enter ends the typing of a title in the grid; it must never add the tracks as well.
    for (QPushButton* button : {file_, add_, close})
        button->setAutoDefault(false);

    connect(file_, &QPushButton::clicked, this, &ImportDialog::ChooseFile);
    connect(pasted_, &QPlainTextEdit::textChanged, this, [this] {
        Show(disctracks::ReadDisc(pasted_->toPlainText().toUtf8()));
        source_->setText(QStringLiteral("貼り付けた%1").arg(SourceName(disc_.source)));
    });
    connect(titleForm_, &QComboBox::currentIndexChanged, this, &ImportDialog::FillTitles);
    connect(grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        // A title typed is the user's in either form of the titles.
        if (item->column() == Title)
            disc_.tracks[item->row()].title = disc_.tracks[item->row()].halfWidthTitle =
                item->text();
        Recount();
    });
    connect(medium_, &QComboBox::currentIndexChanged, this, [this] {
        ProgramSettings(program_).setValue(kMediumKey, medium_->currentText());
        Recount();
    });
    connect(add_, &QPushButton::clicked, this, &ImportDialog::Add);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void ImportDialog::ChooseFile() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("取り込むファイル"), UserDocumentsFolder(),
        QStringLiteral("曲名のファイル (*.csv *.cue *.txt *.xmcd);;すべてのファイル (*)"));
    if (!path.isEmpty())
        ReadFile(path);
}

void ImportDialog::ReadFile(const QString& path) {
    {
        const QSignalBlocker quiet(pasted_);
        pasted_->clear();
    }
    Show(disctracks::ReadDiscFile(path));
    source_->setText(QStringLiteral("%1: %2").arg(SourceName(disc_.source), path));
}

void ImportDialog::Show(const disctracks::Read& read) {
    disc_ = read.disc;
    if (!read.problems.isEmpty())
        disc_.tracks.clear();
    if (!disc_.album.isEmpty() && program_ == Program::Caldrin)
        filed_->setText(disc_.album);
    if (!disc_.artist.isEmpty())
        artist_->setText(disc_.artist);
    // A MiniDisc recorded in LP2 or LP4 is measured in its own mode, on the disc length chosen.
    const disctracks::Medium chosen = disctracks::Media().value(medium_->currentIndex());
    for (int i = 0; i < medium_->count(); ++i)
        if (disctracks::Media()[i].mode == disc_.encoding &&
            disctracks::Media()[i].minutes == chosen.minutes)
            medium_->setCurrentIndex(i);
    const bool bothForms = disc_.source == Source::MiniDisc && disc_.fullWidth;
    titleForm_->setEnabled(bothForms);
    {
        const QSignalBlocker quiet(titleForm_);
        titleForm_->setCurrentIndex(disc_.source == Source::MiniDisc && !disc_.fullWidth ? 1 : 0);
    }
    const bool ownArtists = std::any_of(disc_.tracks.begin(), disc_.tracks.end(),
                                        [](const auto& track) { return !track.artist.isEmpty(); });
    const bool groups = std::any_of(disc_.tracks.begin(), disc_.tracks.end(),
                                    [](const auto& track) { return !track.group.isEmpty(); });
    grid_->setColumnHidden(TrackArtist, !ownArtists);
    // A group on a disc of trensoly's is still the one disc.
    grid_->setColumnHidden(Group, !groups || program_ != Program::Caldrin);
    {
        const QSignalBlocker quiet(grid_);
        grid_->setRowCount(int(disc_.tracks.size()));
        for (int row = 0; row < grid_->rowCount(); ++row) {
            const disctracks::Track& track = disc_.tracks[row];
            QTableWidgetItem* take = Cell(QString(), false);
            take->setCheckState(Qt::Checked);
            grid_->setItem(row, Take, take);
            grid_->setItem(row, Number, Cell(track.number, true));
            // Numbers stand right, as in the main windows' grids.
            grid_->item(row, Number)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid_->setItem(row, Title, Cell(QString(), true));
            grid_->setItem(
                row, Length,
                Cell(track.seconds ? disctracks::Duration(*track.seconds) : QString(), false));
            grid_->item(row, Length)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid_->setItem(row, TrackArtist, Cell(track.artist, true));
            grid_->setItem(row, Group, Cell(track.group, true));
        }
    }
    FillTitles();
    if (!read.problems.isEmpty()) {
        // Line 0: the file as a whole could not be read.
        const trackcsv::Problem& first = read.problems.first();
        status_->setText(
            QStringLiteral("読み込めませんでした。") +
            (first.line > 0 ? QStringLiteral("%1 行目: ").arg(first.line) : QString()) +
            first.reason);
    }
}

void ImportDialog::FillTitles() {
    const bool halfWidth = titleForm_->currentIndex() == 1;
    // The disc's own title follows the form chosen, unless the user typed another.
    if (program_ == Program::Caldrin && !disc_.album.isEmpty() &&
        (filed_->text().isEmpty() || filed_->text() == disctracks::AlbumOf(disc_, !halfWidth)))
        filed_->setText(disctracks::AlbumOf(disc_, halfWidth));
    {
        const QSignalBlocker quiet(grid_);
        for (int row = 0; row < grid_->rowCount(); ++row)
            grid_->item(row, Title)->setText(disctracks::TitleOf(disc_.tracks[row], halfWidth));
    }
    Recount();
}

QList<disctracks::Track> ImportDialog::Chosen() const {
    QList<disctracks::Track> chosen;
    for (int row = 0; row < grid_->rowCount(); ++row) {
        if (grid_->item(row, Take)->checkState() != Qt::Checked)
            continue;
        disctracks::Track track = disc_.tracks[row];
        // Where a problem comes back, the user finds it by its row.
        track.line = row + 1;
        track.number = grid_->item(row, Number)->text();
        track.title = track.halfWidthTitle = grid_->item(row, Title)->text();
        track.artist = grid_->item(row, TrackArtist)->text();
        track.group = grid_->item(row, Group)->text();
        chosen << track;
    }
    return chosen;
}

void ImportDialog::Recount() {
    const QList<disctracks::Track> chosen = Chosen();
    QStringList untitled;
    for (const disctracks::Track& track : chosen)
        if (track.title.isEmpty())
            untitled << track.number;
    time_->setText(
        disctracks::TimeLine(chosen, disctracks::Media().value(medium_->currentIndex())));
    add_->setEnabled(!chosen.isEmpty());
    if (untitled.isEmpty())
        status_->setText(QStringLiteral("%1 曲を取り込みます。").arg(chosen.size()));
    else
        status_->setText(QStringLiteral("曲名のない曲があります (曲番 %1)。曲名を入力するか、"
                                        "「取り込む」を外して下さい。")
                             .arg(untitled.join(QStringLiteral("、"))));
}

QString ImportDialog::Describe(const trackcsv::Problem& problem) const {
    if (problem.line <= 0)
        return problem.reason;
    return QStringLiteral("%1 行目 (曲番 %2): %3")
        .arg(problem.line)
        .arg(grid_->item(int(problem.line - 1), Number)
                 ? grid_->item(int(problem.line - 1), Number)->text()
                 : QString(),
             problem.reason);
}

void ImportDialog::Add() {
    disctracks::Disc chosen = disc_;
    chosen.tracks = Chosen();
    const disctracks::Filing filing{filed_->text(), artist_->text(), false};
    const QList<trackadd::NewTrack> tracks = disctracks::TracksToAdd(chosen, program_, filing);
    if (const auto problems = trackadd::Check(program_, tracks); !problems.isEmpty()) {
        QStringList lines;
        for (qsizetype i = 0; i < std::min(problems.size(), kListedProblems); ++i)
            lines << Describe(problems[i]);
        if (problems.size() > kListedProblems)
            lines << QStringLiteral("ほか %1 件").arg(problems.size() - kListedProblems);
        MsgBox(QStringLiteral("次の曲を追加できません。1 曲も追加していません。\n") +
                   lines.join(QLatin1Char('\n')),
               vbOKOnly, kCheckTitle);
        return;
    }
    if (addTracks_(tracks, filing.albumOrDisc))
        accept();
}
