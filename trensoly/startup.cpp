#include "frmtrensoly.h"
#include "statements.h"
#include "titlefile.h"

using namespace statements;

namespace {

// The settings file lies in the current folder, not beside the catalogue.
const QString kTitleFile = QStringLiteral("TITLE.TXT");

bool Descending(const QString& savedOrder) {
    return savedOrder == QLatin1String("D");
}

QString DiscOrder(bool descending) {
    return descending ? QStringLiteral("DESC") : QStringLiteral("ASC");
}

} // namespace

QStringList frmTrensoly::StartUpLists() {
    // Read as ReadTitleSettings reads it: no direction where the file gives none.
    QString order;
    try {
        titlefile::InputFile file(kTitleFile);
        file.Input();
        file.Input();
        order = DiscOrder(Descending(file.Input()));
    } catch (const std::exception&) {
    }
    return {trensoly::AllDiscs(order), AllArtists()};
}

void frmTrensoly::ReadTitleSettings() {
    titlefile::InputFile file(kTitleFile);
    ReadTitleLines(file);
    const bool descending = Descending(file.Input());
    MdSortOrder = DiscOrder(descending);
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
