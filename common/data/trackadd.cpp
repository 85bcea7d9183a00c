#include "trackadd.h"

#include "numbertext.h"
#include "recordset.h"

namespace trackadd {

namespace {

const QString kNumber = QStringLiteral("曲番");

} // namespace

QList<trackcsv::Problem> Check(Program program, const QList<NewTrack>& tracks) {
    const QStringList columns = tracktable::UserColumns(program);
    QList<trackcsv::Problem> problems;
    for (const NewTrack& track : tracks) {
        QVariant number;
        for (const QString& reason :
             trackcsv::CheckValues(columns, track.values, trackcsv::Blanks::Refused, number))
            problems << trackcsv::Problem{track.line, reason};
    }
    if (tracks.isEmpty())
        problems << trackcsv::Problem{0, QStringLiteral("追加する曲がありません。")};
    return problems;
}

QList<writehistory::RowChange> Add(Database& db, Program program, const QList<NewTrack>& tracks) {
    const QStringList columns = tracktable::UserColumns(program);
    const QStringList places(columns.size(), QStringLiteral("?"));
    const StatementHandle insert =
        db.Prepare(QStringLiteral("INSERT OR ABORT INTO %1 (%2) VALUES (%3)")
                       .arg(Identifier(tracktable::kTable),
                            Identifiers(columns).join(QLatin1Char(',')), places.join(',')));
    QList<writehistory::RowChange> rows;
    db.BeginTrans();
    try {
        for (const NewTrack& track : tracks) {
            sqlite3_stmt* stmt = insert.get();
            sqlite3_reset(stmt);
            for (int i = 0; i < columns.size(); ++i) {
                const QString& value = track.values[i];
                // The number itself, so the column sorts numerically whatever its declared type.
                Bind(stmt, i + 1,
                     columns[i] == kNumber ? *ParseStoredNumber(value) : QVariant(value));
            }
            db.WriteOneRow(stmt);
            const qint64 id = sqlite3_last_insert_rowid(db.Handle());
            rows << writehistory::RowChange{id, {}, writehistory::StoredValues(db, columns, id)};
        }
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        throw;
    }
    return rows;
}

} // namespace trackadd
