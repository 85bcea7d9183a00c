#include "frmcaldrin.h"
#include "statements.h"
#include "titlefile.h"

void frmCaldrin::ReadTitleSettings() {
    // The settings file lies in the current folder, not beside the catalogue.
    titlefile::InputFile file(QStringLiteral("TITLE.TXT"));
    ReadTitleLines(file);
    ReadSlantFlags(file);
}

void frmCaldrin::OpenCatalogueAndFillLists() {
    ShowProgress(50);
    OpenCatalogue();
    FillList(statements::caldrin::AllAlbums(), {cmbAlbum[1]});
    ShowProgress(80);
    FillList(statements::caldrin::AllArtistsOrdered(), {cmbartist[2], cmbartist[3]});
    for (QPushButton* print : {cmdPrint1[0], cmdPrint2[0], cmdPrint1[1], cmdPrint2[1]})
        print->setEnabled(false);
    ShowProgress(100);
    UnloadSplash();
    SSTab1->SetTab(0);
}
