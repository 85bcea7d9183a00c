#include "trackindex.h"

#include "numbertext.h"
#include "recordset.h"

namespace {

// Keeps the field texts of a line apart, so a search never matches across two of them.
constexpr QChar kFieldBreak = QChar(0x1F);
// Rows read for display are kept while the user scrolls; a new search starts afresh.
constexpr qsizetype kKeptRows = 2000;

bool IsAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

QString BrowsingOrder(Program program) {
    return program == Program::Caldrin ? QStringLiteral("アルバム名, アーチスト名, 曲番, ID")
                                       : QStringLiteral("MD番号, 曲番, ID");
}

} // namespace

QString FoldForSearch(const QString& text) {
    // Most titles are plain ASCII, which normalisation leaves alone; skipping it there keeps
    // reading a large catalogue quick.
    if (IsAscii(text))
        return text.toCaseFolded();
    return text.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

TrackIndex::TrackIndex(const QString& catalogue, Program program)
    : program_(program),
      db_(tracktable::OpenCatalogue(catalogue, program, Database::Access::ReadOnly)),
      columns_(QStringList{QStringLiteral("ID")} + tracktable::UserColumns(program)) {
    rowQuery_ = db_->Prepare(QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?")
                                 .arg(columns_.join(QStringLiteral(", ")), tracktable::kTable));
    Refresh();
}

qint64 TrackIndex::DataVersion() const {
    const StatementHandle stmt = db_->Prepare(QStringLiteral("PRAGMA data_version"));
    const int code = sqlite3_step(stmt.get());
    if (code != SQLITE_ROW)
        db_->Fail(code);
    return sqlite3_column_int64(stmt.get(), 0);
}

bool TrackIndex::Refresh() {
    const qint64 version = DataVersion();
    if (version == dataVersion_)
        return false;
    Load();
    dataVersion_ = version;
    return true;
}

void TrackIndex::Load() {
    const QStringList texts = tracktable::UserColumns(program_);
    const StatementHandle stmt = db_->Prepare(
        QStringLiteral("SELECT ID, %1 FROM %2 ORDER BY %3")
            .arg(texts.join(QStringLiteral(", ")), tracktable::kTable, BrowsingOrder(program_)));
    std::vector<Entry> entries;
    int code;
    while ((code = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        QString line;
        for (int column = 1; column <= texts.size(); ++column) {
            line += QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), column)),
                sqlite3_column_bytes(stmt.get(), column));
            line += kFieldBreak;
        }
        entries.push_back({sqlite3_column_int64(stmt.get(), 0), FoldForSearch(line)});
    }
    if (code != SQLITE_DONE)
        db_->Fail(code);
    entries_ = std::move(entries);
    rows_.clear();
}

QList<qint64> TrackIndex::Find(const QString& text) const {
    QString needle = FoldForSearch(text);
    needle.remove(kFieldBreak);
    QList<qint64> found;
    for (const Entry& entry : entries_)
        if (entry.folded.contains(needle))
            found.append(entry.id);
    return found;
}

QStringList TrackIndex::Row(qint64 id) {
    if (const auto kept = rows_.constFind(id); kept != rows_.cend())
        return *kept;
    if (rows_.size() >= kKeptRows)
        rows_.clear();
    sqlite3_stmt* stmt = rowQuery_.get();
    sqlite3_reset(stmt);
    sqlite3_bind_int64(stmt, 1, id);
    QStringList row;
    const int code = sqlite3_step(stmt);
    if (code == SQLITE_ROW) {
        for (int column = 0; column < columns_.size(); ++column)
            row << ValueToText(ColumnValue(stmt, column));
    } else if (code != SQLITE_DONE) {
        db_->Fail(code);
    }
    sqlite3_reset(stmt);
    rows_.insert(id, row);
    return row;
}
