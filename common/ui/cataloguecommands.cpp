#include "cataloguewindow.h"
#include "hasquote.h"
#include "msgbox.h"
#include "numbertext.h"
#include "shiftjis.h"
#include "statements.h"
#include "titlefile.h"
#include "titlestyle.h"

namespace {

QString Flag(const QCheckBox& box) {
    return box.isChecked() ? QStringLiteral("Y") : QStringLiteral("N");
}

bool Refused(const QString& prompt) {
    MsgBox(prompt, vbOKOnly, kCheckTitle);
    return false;
}

} // namespace

void CatalogueWindow::ReadTitleLines(titlefile::InputFile& file) {
    TitleLine1 = file.Input();
    TitleLine2 = file.Input();
    lblTitle1->setText(TitleLine1);
    txtTitle1->setText(TitleLine1);
    lblTitle2->setText(TitleLine2);
    txtTitle2->setText(TitleLine2);
}

void CatalogueWindow::ReadSlantFlags(titlefile::InputFile& file) {
    SlantFlag1 = file.Input();
    SlantFlag2 = file.Input();
    ApplyTitleStyle(*lblTitle1, SlantFlag1);
    chkSyasen1->setChecked(IsSlanted(SlantFlag1));
    ApplyTitleStyle(*lblTitle2, SlantFlag2);
    chkSyasen2->setChecked(IsSlanted(SlantFlag2));
}

bool CatalogueWindow::SaveTitleSettings(const QStringList& middle) {
    int line = 0;
    for (const QLineEdit* title : {txtTitle1, txtTitle2}) {
        ++line;
        // The file stores a title between double quotes; a quote inside it that looks like the
        // closing one would cut the title short when it is read back.
        if (!titlefile::ReadsBackWhole(title->text()))
            return Refused(QStringLiteral(
                "タイトルの最後とカンマの前には、ダブルコーテーションは使用出来ません。"));
        // Named, with its title: it may be a character the user cannot tell from another.
        if (const QString character = shiftjis::FirstUnencodable(title->text());
            !character.isEmpty())
            return Refused(QStringLiteral("タイトルにシフトJISで保存できない文字が含まれています。"
                                          "\n%1 行目のタイトルの%2")
                               .arg(line)
                               .arg(character));
    }
    const QString flag1 = Flag(*chkSyasen1);
    const QString flag2 = Flag(*chkSyasen2);
    // The old settings stay whole until the new file is complete on the disk; until then the
    // window keeps showing them too, so what it shows is what the next start will read.
    try {
        titlefile::OutputFile file(QStringLiteral("TITLE.TXT"));
        for (const QString& value :
             QStringList{txtTitle1->text(), txtTitle2->text()} + middle + QStringList{flag1, flag2})
            file.Write(value);
        file.Close();
    } catch (const titlefile::FileError& error) {
        return Refused(QString::fromUtf8(error.what()));
    }
    lblTitle1->setText(txtTitle1->text());
    TitleLine1 = txtTitle1->text();
    lblTitle2->setText(txtTitle2->text());
    TitleLine2 = txtTitle2->text();
    SlantFlag1 = flag1;
    ApplyTitleStyle(*lblTitle1, SlantFlag1);
    SlantFlag2 = flag2;
    ApplyTitleStyle(*lblTitle2, SlantFlag2);
    return true;
}

bool CatalogueWindow::GridHasRow(const DataGrid& grid) {
    return !grid.Columns(0).Value().isEmpty();
}

void CatalogueWindow::cmdEdit1_Click() {
    CorrectCurrentRow(*DBGrid1);
}

void CatalogueWindow::cmdEdit2_Click() {
    CorrectCurrentRow(*DBGrid2);
}

void CatalogueWindow::CorrectCurrentRow(const DataGrid& grid) {
    // Without a current row there is nothing to correct, as there is nothing to delete.
    if (!GridHasRow(grid))
        return;
    LoadRowForCorrection(grid);
    EditRowId = grid.Columns(0).Value().toLongLong();
    loaded_ = {writehistory::StoredValues(*dbTrack, tracktable::UserColumns(program_), EditRowId),
               EntryFieldTexts()};
    SSTab1->SetTab(3);
    cmdTuika->setEnabled(false);
    chkRenzoku->setEnabled(false);
    cmdUpdate->setEnabled(true);
}

void CatalogueWindow::SetAddMode() {
    cmdTuika->setEnabled(true);
    chkRenzoku->setEnabled(true);
    cmdUpdate->setEnabled(false);
}

CatalogueWindow::DeleteOutcome CatalogueWindow::DeleteCurrentRow(const DataGrid& grid) {
    if (!GridHasRow(grid))
        return DeleteOutcome::Kept;
    // The box shows only its question; a reader also hears which track it is about.
    if (MsgBox(QStringLiteral("削除してもよろしいですか？"), vbYesNo, kCheckTitle,
               QStringLiteral("削除する曲: ") + DescribeRow(grid)) != vbYes)
        return DeleteOutcome::Kept;
    rsTrack = dbTrack->OpenRecordset(statements::Table(), dbOpenDynaset);
    rsTrack->FindFirst(statements::IdCriterion(grid.Columns(0).Value()));
    if (rsTrack->NoMatch()) {
        rsTrack->Close();
        MsgBox(QStringLiteral("この曲はすでに削除されています。一覧を最新の内容に更新します。"),
               vbOKOnly, kCheckTitle);
        return DeleteOutcome::Vanished;
    }
    const QStringList columns = tracktable::UserColumns(program_);
    const qint64 id = grid.Columns(0).Value().toLongLong();
    dbTrack->BeginTrans();
    const QList<QVariant> before = writehistory::StoredValues(*dbTrack, columns, id);
    rsTrack->Delete();
    dbTrack->CommitTrans();
    rsTrack->Close();
    fullLists_->Written(columns, before, {});
    TellFind(id, {});
    RecordWrite(QStringLiteral("削除"), {id, before, {}});
    deleted_ = before[columns.indexOf(QStringLiteral("曲名"))].toString();
    return DeleteOutcome::Deleted;
}

QString CatalogueWindow::DescribeRow(const DataGrid& grid) const {
    QStringList row;
    for (int column = 1; column < gridFields_.size(); ++column)
        row << QStringLiteral("%1「%2」").arg(gridFields_[column], grid.Columns(column).Value());
    return row.join(QLatin1Char(' '));
}

void CatalogueWindow::TellDeleted(const DataGrid& grid) {
    if (deleted_.isEmpty())
        return;
    status_->Tell(QStringLiteral("「%1」を削除しました。").arg(std::exchange(deleted_, {})) +
                  (GridHasRow(grid) ? QStringLiteral("今の行: ") + DescribeRow(grid)
                                    : QStringLiteral("一覧に曲はありません。")));
}

// Said before the focus moves on, so a reader hears what was added and then where it is.
void CatalogueWindow::TellAdded() {
    const QString added = QStringLiteral("「%1」を追加しました。").arg(txtName->text());
    status_->Tell(chkRenzoku->checkState() == Qt::Checked
                      ? added + QStringLiteral("次は曲番 %1 の曲名です。")
                                    .arg(NumberToText(*ParseNumber(txtNo->text()) + 1))
                      : added +
                            QStringLiteral("%1のタブに表示しています。").arg(SSTab1->tabText(1)));
}

bool CatalogueWindow::EntryChecksPass(const QStringList& filled, const QStringList& spliced) {
    if (filled.contains(QString()))
        return Refused(QStringLiteral("全て入力して下さい。"));
    if (std::any_of(spliced.begin(), spliced.end(), HasQuote))
        return Refused(QStringLiteral("ｼﾝｸﾞﾙｺｰﾃｰｼｮﾝは使用出来ません。"));
    // A name another tool stored with a NUL is spliced safely and may stay as it is when one of
    // its tracks is corrected; only a new track may not bring one in.
    if (cmdTuika->isEnabled() && std::any_of(spliced.begin(), spliced.end(), HasNul))
        return Refused(QStringLiteral("名前に NUL 文字は使用出来ません。"));
    if (!ParseNumber(txtNo->text()))
        return Refused(QStringLiteral("曲番は数字しか使用出来ません。"));
    return true;
}

bool CatalogueWindow::WriteRow(bool adding) {
    rsTrack = dbTrack->OpenRecordset(statements::Table(), dbOpenDynaset);
    if (!adding) {
        rsTrack->FindFirst(statements::IdCriterion(QString::number(EditRowId)));
        if (rsTrack->NoMatch()) {
            rsTrack->Close();
            return Refused(QStringLiteral("この曲はすでに削除されています。変更は保存されません"
                                          "でした。入力した内容はそのまま残っています。"));
        }
    }
    const QStringList columns = tracktable::UserColumns(program_);
    const QStringList texts = EntryFieldTexts();
    dbTrack->BeginTrans();
    if (!adding && !CorrectedRowStillAsLoaded()) {
        dbTrack->Rollback();
        rsTrack->Close();
        return Refused(QStringLiteral("この曲は、修正のために読み込んだ後でほかの画面で変更されて"
                                      "います。変更は保存されませんでした。入力した内容はそのまま"
                                      "残っています。"));
    }
    const QList<QVariant> before = adding ? QList<QVariant>() : loaded_.stored;
    if (adding)
        rsTrack->AddNew();
    else
        rsTrack->Edit();
    for (int i = 0; i < columns.size(); ++i) {
        // A value the user left as it was shown keeps what is stored, type and digits included:
        // a number held as text is not rounded through a double.
        if (!adding && texts[i] == loaded_.shown[i])
            continue;
        // The number itself, so the column sorts numerically whatever type it was declared with.
        rsTrack->Fields(columns[i]) = columns[i] == QStringLiteral("曲番")
                                          ? *ParseStoredNumber(texts[i])
                                          : QVariant(texts[i]);
    }
    rsTrack->Update();
    const qint64 id = adding ? sqlite3_last_insert_rowid(dbTrack->Handle()) : EditRowId;
    // As stored, for undo to tell whether anyone has changed the row since.
    const QList<QVariant> after = writehistory::StoredValues(*dbTrack, columns, id);
    dbTrack->CommitTrans();
    rsTrack->Close();
    fullLists_->Written(columns, before, after);
    TellFind(id, after);
    // A correction that changed nothing leaves nothing to take back.
    if (before != after)
        RecordWrite(adding ? QStringLiteral("追加") : QStringLiteral("修正"), {id, before, after});
    if (adding)
        TellAdded();
    return true;
}

// Undo refuses to write over another copy's change; so does a correction.
bool CatalogueWindow::CorrectedRowStillAsLoaded() {
    return writehistory::StoredValues(*dbTrack, tracktable::UserColumns(program_), EditRowId) ==
           loaded_.stored;
}

void CatalogueWindow::PrepareNextTrack() {
    txtNo->setText(NumberToText(*ParseNumber(txtNo->text()) + 1));
    txtName->setText(QString());
    txtName->setFocus();
}
