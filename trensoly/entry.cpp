#include "frmtrensoly.h"
#include "statements.h"

using namespace statements;

bool frmTrensoly::EntryChecksPass() {
    const QString disc = cmbMD[1]->Text();
    const QString artist = cmbArtist[1]->Text();
    return CatalogueWindow::EntryChecksPass({disc, txtNo->text(), txtName->text(), artist},
                                            {disc, artist});
}

QStringList frmTrensoly::EntryFieldTexts() const {
    return {cmbMD[1]->Text(), txtNo->text(), txtName->text(), cmbArtist[1]->Text()};
}

bool frmTrensoly::WriteEntry(bool adding) {
    if (!EntryChecksPass() || !WriteRow(adding))
        return false;
    RefillDiscs();
    RefillArtists();
    return true;
}

void frmTrensoly::RefillDiscs() {
    RefillPair(trensoly::AllDiscs(MdSortOrder), *cmbMD[1], *cmbMD[2]);
}

void frmTrensoly::RefillArtists() {
    RefillPair(AllArtists(), *cmbArtist[1], *cmbArtist[2]);
}

void frmTrensoly::cmdTuika_Click() {
    if (!WriteEntry(true))
        return;
    if (chkRenzoku->checkState() == Qt::Checked) {
        // The next track of the same disc, which may well be by another artist.
        PrepareNextTrack();
        cmbArtist[1]->SetText(QString());
        return;
    }
    cmbMD[2]->SetText(cmbMD[1]->Text());
    cmdClear_Click();
    SSTab1->SetTab(1);
}

// The fields keep the corrected values; the tab the row came from shows it again.
void frmTrensoly::cmdUpdate_Click() {
    if (!WriteEntry(false))
        return;
    if (PrevTab == 1) {
        cmbMD[2]->SetText(cmbMD[1]->Text());
        BindDisc(cmbMD[2]->Text());
        SSTab1->SetTab(1);
    } else {
        cmbArtist[2]->SetText(cmbArtist[1]->Text());
        BindArtist(cmbArtist[2]->Text());
        SSTab1->SetTab(2);
    }
}

void frmTrensoly::cmdClear_Click() {
    cmbMD[1]->SetText(QString());
    txtNo->setText(QString());
    cmbArtist[1]->SetText(QString());
    txtName->setText(QString());
}
