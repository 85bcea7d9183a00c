#include "frmtrensoly.h"
#include "statements.h"
#include "titlefile.h"

using namespace statements;

void frmTrensoly::ReadTitleSettings() {
    // The settings file lies in the current folder, not beside the catalogue.
    titlefile::InputFile file(QStringLiteral("TITLE.TXT"));
    ReadTitleLines(file);
    const bool descending = file.Input() == QLatin1String("D");
    MdSortOrder = descending ? QStringLiteral("DESC") : QStringLiteral("ASC");
    opAsc->setChecked(!descending);
    opDesc->setChecked(descending);
    ReadSlantFlags(file);
}

void frmTrensoly::OpenCatalogueAndFillLists() {
    ShowProgress(30);
    OpenCatalogue();
    FillDiscLists();
    ShowProgress(50);
    BindDisc(cmbMD[2]->Text());
    ShowProgress(75);
    FillList(AllArtists(), {cmbArtist[1], cmbArtist[2]});
    cmdPrint1->setEnabled(false);
    cmdPrint2->setEnabled(false);
    ShowProgress(100);
    BindArtist(cmbArtist[2]->Text());
    UnloadSplash();
    SSTab1->SetTab(0);
}

void frmTrensoly::FillDiscLists() {
    FillList(trensoly::AllDiscs(MdSortOrder), {cmbMD[1], cmbMD[2]});
}
