#include "frmtrensoly.h"

#include <QGroupBox>
#include <QVBoxLayout>

namespace {

const QStringList kGridFields = {QStringLiteral("ID"), QStringLiteral("ＭＤ番号"),
                                 QStringLiteral("曲番"), QStringLiteral("曲名"),
                                 QStringLiteral("アーチスト名")};

QLayout* Alone(QWidget* list) {
    auto* layout = new QVBoxLayout;
    layout->addWidget(list);
    return layout;
}

} // namespace

frmTrensoly::frmTrensoly(QString programFolder)
    : CatalogueWindow(kProgram, std::move(programFolder), QStringLiteral("TRENSOLY"), kGridFields) {
    BuildWindow();
    ConnectHandlers();
}

void frmTrensoly::BuildWindow() {
    setObjectName(QStringLiteral("frmTrensoly"));
    setWindowTitle(QStringLiteral("Trensoly Ver 6.0"));
    resize(760, 540);
    for (int index = 0; index < 3; ++index) {
        cmbMD[index] = List(QStringLiteral("cmbMD"), index);
        cmbArtist[index] = List(QStringLiteral("cmbArtist"), index);
    }
    // The lists carry no caption on the browse tabs; the tab's own caption names them.
    cmbMD[2]->setAccessibleName(QStringLiteral("MD番号"));
    cmbArtist[2]->setAccessibleName(QStringLiteral("アーチスト名"));
    cmdPrint1 = Button(QStringLiteral("MD"), QStringLiteral("cmdPrint1"), kMdKey);
    cmdPrint2 = Button(QStringLiteral("ｶｾｯﾄ"), QStringLiteral("cmdPrint2"), kCassetteKey);
    SSTab1->addTab(BuildStartTab({cmbMD[0], cmbArtist[0]}), QStringLiteral("開始/終了"));
    SSTab1->addTab(BrowsePage(Alone(cmbMD[2]), DBGrid1, {cmdDel1, cmdEdit1, cmdPrint1, cmdPrint2}),
                   QStringLiteral("ＭＤ別"));
    SSTab1->addTab(BrowsePage(Alone(cmbArtist[2]), DBGrid2, {cmdDel2, cmdEdit2}),
                   QStringLiteral("アーチスト別"));
    SSTab1->addTab(
        BuildEntryTab({{QStringLiteral("MD番号 "), QStringLiteral("Label1"), cmbMD[1]},
                       {QStringLiteral("曲番"), QStringLiteral("Label2"), txtNo},
                       {QStringLiteral("ｱｰﾁｽﾄ名"), QStringLiteral("Label3"), cmbArtist[1]},
                       {QStringLiteral("曲名"), QStringLiteral("Label4"), txtName}}),
        QStringLiteral("編集"));
    SSTab1->addTab(
        BuildOptionTab(BuildOrderFrame(), QStringLiteral("Label6"), QStringLiteral("Label7")),
        QStringLiteral("オプション"));
    NameGridsByTheirTabs();
    // The tab control comes up showing the disc tab, as it was last left at design.
    SSTab1->SetTab(1);
    LayOutWindow();
}

QWidget* frmTrensoly::BuildOrderFrame() {
    auto* frame = new QGroupBox(QStringLiteral("MD番号表示順"));
    frame->setObjectName(QStringLiteral("Frame1"));
    opAsc = new QRadioButton(QStringLiteral("昇順"));
    opAsc->setObjectName(QStringLiteral("opAsc"));
    opDesc = new QRadioButton(QStringLiteral("降順"));
    opDesc->setObjectName(QStringLiteral("opDesc"));
    auto* layout = new QHBoxLayout(frame);
    layout->addWidget(opAsc);
    layout->addWidget(opDesc);
    layout->addStretch();
    return frame;
}

void frmTrensoly::ConnectHandlers() {
    ConnectCommonHandlers();
    Route(cmdPrint1, &QPushButton::clicked, [this] { cmdPrint1_Click(); });
    Route(cmdPrint2, &QPushButton::clicked, [this] { cmdPrint2_Click(); });
    for (int index = 0; index < 3; ++index) {
        Route(cmbMD[index], &ComboBox::Click, [this, index] { cmbMD_Click(index); });
        Route(cmbArtist[index], &ComboBox::Click, [this, index] { cmbArtist_Click(index); });
    }
}
