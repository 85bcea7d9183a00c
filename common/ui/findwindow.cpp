#include "findwindow.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

// The found tracks, their texts read only for the rows the view draws. The view is given the
// rows a screenful at a time as the user scrolls on: for each row it holds, it keeps some bytes
// of its own, and a key that finds a million tracks must not wait while it sets them up.
class FindWindow::Model : public QAbstractTableModel {
public:
    explicit Model(TrackIndex& index, QObject* parent)
        : QAbstractTableModel(parent), index_(index) {}

    // What the index found last.
    void Refound() {
        beginResetModel();
        shown_ = std::min(index_.FoundCount(), kRowsAtOnce);
        endResetModel();
    }
    QStringList Row(int row) const { return index_.Row(index_.Id(index_.Found(size_t(row)))); }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(shown_);
    }
    bool canFetchMore(const QModelIndex& parent) const override {
        return !parent.isValid() && shown_ < index_.FoundCount();
    }
    void fetchMore(const QModelIndex& parent) override {
        if (!canFetchMore(parent))
            return;
        const size_t more = std::min(index_.FoundCount() - shown_, kRowsAtOnce);
        beginInsertRows({}, int(shown_), int(shown_ + more - 1));
        shown_ += more;
        endInsertRows();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(index_.Columns().size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        // Numbers stand right, as in the main windows' grids.
        if (role == Qt::TextAlignmentRole) {
            const QString column = index_.Columns().value(index.column());
            const bool number = column == QStringLiteral("ID") || column == QStringLiteral("曲番");
            return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
        if (role != Qt::DisplayRole)
            return {};
        return Row(index.row()).value(index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return QAbstractTableModel::headerData(section, orientation, role);
        return index_.Columns().value(section);
    }

private:
    static constexpr size_t kRowsAtOnce = 500;
    TrackIndex& index_;
    size_t shown_ = 0;
};

FindWindow::FindWindow(QWidget* parent, const QString& catalogue, Program program, ShowTrack show,
                       OthersCommits othersCommits)
    : QDialog(parent), index_(catalogue, program), show_(std::move(show)),
      othersCommits_(std::move(othersCommits)) {
    setWindowTitle(QStringLiteral("検索"));
    setObjectName(QStringLiteral("frmFind"));
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("txtFind"));
    // Only what the program files its tracks under.
    text_->setPlaceholderText(program == Program::Caldrin
                                  ? QStringLiteral("曲名・アーチスト・アルバムの一部")
                                  : QStringLiteral("曲名・アーチスト・MD番号の一部"));
    // Unnamed, a screen reader would announce the field and the grid by their kinds alone.
    text_->setAccessibleName(QStringLiteral("検索語"));
    results_ = new QTableView(this);
    results_->setObjectName(QStringLiteral("grdFound"));
    results_->setAccessibleName(QStringLiteral("検索結果"));
    model_ = new Model(index_, this);
    results_->setModel(model_);
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->verticalHeader()->hide();
    // One line a result, a long title cut short at its end, so the rows stay easy to scan.
    results_->setWordWrap(false);
    results_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    results_->verticalHeader()->setDefaultSectionSize(results_->fontMetrics().height() + 6);
    results_->horizontalHeader()->setStretchLastSection(true);
    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(results_);
    layout->addWidget(status_);
    resize(640, 420);

    connect(text_, &QLineEdit::textChanged, this, [this] {
        notice_.clear();
        Search();
    });
    connect(text_, &QLineEdit::returnPressed, this, &FindWindow::ShowChosen);
    connect(results_, &QTableView::activated, this, &FindWindow::ShowChosen);
    text_->installEventFilter(this);
    Reread();
}

FindWindow::~FindWindow() {
    closing_ = true;
    if (reader_.joinable())
        reader_.join();
    // The dialog's own destructor hides the results, which asks the model for its headers once
    // the index it reads is gone.
    results_->setModel(nullptr);
}

bool FindWindow::eventFilter(QObject* watched, QEvent* event) {
    // The arrow keys move through the results while the typing stays in the field.
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_PageDown ||
            key == Qt::Key_PageUp) {
            QApplication::sendEvent(results_, event);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FindWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Reread();
    QDialog::changeEvent(event);
}

void FindWindow::Reread() {
    if (Reading()) {
        // The read under way may have begun before the change the user came back for.
        rereadWanted_ = true;
        return;
    }
    rereadWanted_ = false;
    qint64 othersCommits = 0;
    try {
        othersCommits = othersCommits_();
    } catch (const std::exception& error) {
        notice_ = QString::fromUtf8(error.what());
        status_->setText(notice_);
        return;
    }
    // The program's own writes are followed as they are made; only another copy's, or too many
    // of its own, need every track read again.
    if (index_.HasTracks() && !stale_ && othersCommits == othersCommitsRead_ &&
        !index_.FollowedTooMany()) {
        if (searchWanted_)
            Search();
        return;
    }
    othersCommitsRead_ = othersCommits;
    stale_ = false;
    if (notice_.isEmpty())
        status_->setText(QStringLiteral("曲を読み込んでいます…"));
    reader_ = std::thread([this, catalogue = index_.Catalogue(), program = index_.ProgramOf()] {
        std::shared_ptr<const TrackIndex::Tracks> tracks;
        QString problem;
        try {
            tracks = TrackIndex::Read(catalogue, program, closing_, [this](auto part) {
                QMetaObject::invokeMethod(
                    this, [this, part] { FirstPartArrived(part); }, Qt::QueuedConnection);
            });
        } catch (const std::exception& error) {
            problem = QString::fromUtf8(error.what());
        }
        // Taken on the window's own thread; dropped with the window if it is gone by then.
        QMetaObject::invokeMethod(
            this, [this, tracks, problem] { Arrived(tracks, problem); }, Qt::QueuedConnection);
    });
}

void FindWindow::Written(qint64 id, const QList<QVariant>& now) {
    // The read under way may have begun before the write.
    if (Reading()) {
        stale_ = rereadWanted_ = true;
        return;
    }
    try {
        index_.Written(id, now);
    } catch (const std::exception&) {
        // The write itself is done; the tracks are read anew when the user comes back.
        stale_ = true;
    }
    // Searched once the command that wrote has shown its result, and once for all its rows; a
    // hidden window searches when it comes back.
    if (!searchWanted_ && isVisible())
        QTimer::singleShot(0, this, [this] {
            if (searchWanted_)
                Search();
        });
    searchWanted_ = true;
}

void FindWindow::FirstPartArrived(std::shared_ptr<const TrackIndex::Tracks> part) {
    // Tracks read before are searched whole until the new read is in.
    if (index_.HasTracks())
        return;
    index_.Take(std::move(part));
    Search();
}

void FindWindow::Arrived(std::shared_ptr<const TrackIndex::Tracks> tracks, const QString& problem) {
    reader_.join();
    if (!problem.isEmpty()) {
        // Said until the user types again; the tracks read before are still searched, and read
        // anew when the user comes back.
        notice_ = problem;
        status_->setText(notice_);
        stale_ = true;
        return;
    }
    index_.Take(std::move(tracks));
    Search();
    if (rereadWanted_)
        Reread();
}

void FindWindow::Search() {
    searchWanted_ = false;
    const size_t found = index_.Find(text_->text());
    // Said before the results are shown, so that what announces them says the count with them.
    QString said = QStringLiteral("%1 曲").arg(found);
    if (!index_.HasTracks())
        said = QStringLiteral("曲を読み込んでいます…");
    else if (Reading())
        said += QStringLiteral(" (曲を読み込んでいます…)");
    status_->setText(notice_.isEmpty() ? said : notice_);
    model_->Refound();
    if (found > 0)
        results_->setCurrentIndex(model_->index(0, 0));
}

void FindWindow::ShowChosen() {
    const QModelIndex chosen = results_->currentIndex();
    if (!chosen.isValid())
        return;
    const QStringList row = model_->Row(chosen.row());
    if (row.isEmpty() || !show_(row)) {
        // Said until the user types again, however soon the tracks read anew come in.
        notice_ = QStringLiteral("この曲は表示できませんでした。別のコピーで変更された"
                                 "可能性があります。");
        status_->setText(notice_);
        Reread();
    }
}
