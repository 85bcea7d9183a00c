#include "frmcaldrin.h"

#include <QVBoxLayout>

namespace {

const QStringList kGridFields = {QStringLiteral("ID"), QStringLiteral("アーチスト名"),
                                 QStringLiteral("アルバム名"), QStringLiteral("曲番"),
                                 QStringLiteral("曲名")};

} // namespace

frmCaldrin::frmCaldrin(QString programFolder)
    : CatalogueWindow(kProgram, std::move(programFolder), QStringLiteral("CALDRIN"), kGridFields) {
    BuildWindow();
    ConnectHandlers();
}

void frmCaldrin::BuildWindow() {
    setObjectName(QStringLiteral("frmCaldrin"));
    setWindowTitle(QStringLiteral("Caldrin Ver 6.0"));
    resize(760, 540);
    for (int index = 0; index < 4; ++index) {
        cmbAlbum[index] = List(QStringLiteral("cmbAlbum"), index);
        cmbartist[index] = List(QStringLiteral("cmbartist"), index);
    }
    SSTab1->addTab(BuildStartTab({cmbAlbum[0], cmbartist[0]}), QStringLiteral("開始/終了"));
    SSTab1->addTab(BuildAlbumTab(), QStringLiteral("アルバム別"));
    SSTab1->addTab(BuildArtistTab(), QStringLiteral("アーチスト別"));
    SSTab1->addTab(
        BuildEntryTab({{QStringLiteral("ｱｰﾁｽﾄ名"), QStringLiteral("Label3"), cmbartist[3]},
                       {QStringLiteral("アルバム名"), QStringLiteral("Label1"), cmbAlbum[3]},
                       {QStringLiteral("曲番"), QStringLiteral("Label2"), txtNo},
                       {QStringLiteral("曲名"), QStringLiteral("Label4"), txtName}}),
        QStringLiteral("編集"));
    SSTab1->addTab(BuildOptionTab(nullptr, QStringLiteral("Label11"), QStringLiteral("Label10")),
                   QStringLiteral("オプション"));
    NameGridsByTheirTabs();
    // The tab control comes up showing the entry tab, as it was last left at design.
    SSTab1->SetTab(3);
    LayOutWindow();
}

QWidget* frmCaldrin::BuildAlbumTab() {
    cmdPrint1[0] = Button(QStringLiteral("MD"), QStringLiteral("cmdPrint1(0)"), kMdKey);
    cmdPrint2[0] = Button(QStringLiteral("ｶｾｯﾄ"), QStringLiteral("cmdPrint2(0)"), kCassetteKey);
    return BrowsePage(
        CaptionedLists({{QStringLiteral("アルバム名"), QStringLiteral("Label6"), cmbAlbum[1]},
                        {QStringLiteral("アーチスト名"), QStringLiteral("Label9"), cmbartist[1]}}),
        DBGrid1, {cmdDel1, cmdEdit1, cmdPrint1[0], cmdPrint2[0]});
}

QWidget* frmCaldrin::BuildArtistTab() {
    cmdPrint1[1] = Button(QStringLiteral("MD"), QStringLiteral("cmdPrint1(1)"), kMdKey);
    cmdPrint2[1] = Button(QStringLiteral("ｶｾｯﾄ"), QStringLiteral("cmdPrint2(1)"), kCassetteKey);
    return BrowsePage(
        CaptionedLists({{QStringLiteral("アーチスト名"), QStringLiteral("Label7"), cmbartist[2]},
                        {QStringLiteral("アルバム名"), QStringLiteral("Label8"), cmbAlbum[2]}}),
        DBGrid2, {cmdDel2, cmdEdit2, cmdPrint1[1], cmdPrint2[1]});
}

void frmCaldrin::ConnectHandlers() {
    ConnectCommonHandlers();
    for (int index = 0; index < 2; ++index) {
        Route(cmdPrint1[index], &QPushButton::clicked, [this, index] { cmdPrint1_Click(index); });
        Route(cmdPrint2[index], &QPushButton::clicked, [this, index] { cmdPrint2_Click(index); });
    }
    for (int index = 0; index < 4; ++index) {
        Route(cmbAlbum[index], &ComboBox::Click, [this, index] { cmbAlbum_Click(index); });
        Route(cmbartist[index], &ComboBox::Click, [this, index] { cmbartist_Click(index); });
    }
}
