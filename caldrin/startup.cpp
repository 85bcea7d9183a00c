#include "frmcaldrin.h"
#include "statements.h"
#include "titlefile.h"

void frmCaldrin::ReadTitleSettings() {
    // The settings file lies in the current folder, not beside the catalogue.
    titlefile::InputFile file(QStringLiteral("TITLE.TXT"));
    ReadTitleLines(file);
    ReadSlantFlags(file);
}

QStringList frmCaldrin::StartUpLists() {
    return {statements::caldrin::AllAlbums(), statements::caldrin::AllArtistsOrdered()};
}

void frmCaldrin::OpenCatalogueAndFillLists() {
    const QStringList lists = StartUpLists();
    ShowProgress(50);
    OpenCatalogue();
    FillList(lists[0], {cmbAlbum[1]});
    ShowProgress(80);
    FillList(lists[1], {cmbartist[2], cmbartist[3]});
    for (QPushButton* print : {cmdPrint1[0], cmdPrint2[0], cmdPrint1[1], cmdPrint2[1]})
        print->setEnabled(false);
    ShowProgress(100);
    UnloadSplash();
    SSTab1->SetTab(0);
}
