#include "fonts.h"
#include "frmcaldrin.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

const QStringList kGridFields = {QStringLiteral("ID"), QStringLiteral("アーチスト名"),
                                 QStringLiteral("アルバム名"), QStringLiteral("曲番"),
                                 QStringLiteral("曲名")};

template <typename Control> Control* Named(Control* control, const QString& name) {
    control->setObjectName(name);
    return control;
}

QPushButton* Button(const QString& caption, const QString& name) {
    return Named(new QPushButton(caption), name);
}

ComboBox* List(const QString& name, int index) {
    return Named(new ComboBox, QStringLiteral("%1(%2)").arg(name).arg(index));
}

// The caption label of a control; as its buddy it is what a screen reader announces.
QLabel* Caption(const QString& text, const QString& name, QWidget* control) {
    auto* label = Named(new QLabel(text), name);
    label->setBuddy(control);
    control->setAccessibleName(text);
    return label;
}

QFont Mincho(double points, bool bold) {
    QFont font(QString::fromUtf8(kMincho));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

void frmCaldrin::BuildWindow() {
    setObjectName(QStringLiteral("frmCaldrin"));
    setWindowTitle(QStringLiteral("Caldrin Ver 6.0"));
    resize(760, 540);
    SSTab1 = Named(new TabControl(this), QStringLiteral("SSTab1"));
    SSTab1->addTab(BuildStartTab(), QStringLiteral("開始/終了"));
    SSTab1->addTab(BuildAlbumTab(), QStringLiteral("アルバム別"));
    SSTab1->addTab(BuildArtistTab(), QStringLiteral("アーチスト別"));
    SSTab1->addTab(BuildEntryTab(), QStringLiteral("編集"));
    SSTab1->addTab(BuildOptionTab(), QStringLiteral("オプション"));
    // The tab control comes up showing the entry tab, as it was last left at design.
    SSTab1->SetTab(3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
}

QWidget* frmCaldrin::BuildStartTab() {
    auto* page = new QWidget;
    lblTitle1 = Named(new QLabel, QStringLiteral("lblTitle1"));
    lblTitle1->setFont(Mincho(36, true));
    lblTitle2 = Named(new QLabel, QStringLiteral("lblTitle2"));
    lblTitle1->setTextFormat(Qt::PlainText);
    lblTitle2->setTextFormat(Qt::PlainText);
    lblTitle2->setFont(Mincho(27.75, true));
    cmdClose = Button(QStringLiteral("終了"), QStringLiteral("cmdClose"));
    cmbAlbum[0] = List(QStringLiteral("cmbAlbum"), 0);
    cmbartist[0] = List(QStringLiteral("cmbartist"), 0);
    cmbAlbum[0]->hide();
    cmbartist[0]->hide();
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    layout->addWidget(lblTitle1, 0, Qt::AlignHCenter);
    layout->addWidget(lblTitle2, 0, Qt::AlignHCenter);
    layout->addStretch();
    layout->addWidget(cmbAlbum[0]);
    layout->addWidget(cmbartist[0]);
    layout->addWidget(cmdClose, 0, Qt::AlignRight);
    return page;
}

// The two browse tabs share one shape: the tab's own list on the left, the dependent list on
// the right, the grid, and a row of buttons under it.
static QWidget* BrowsePage(QLabel* leftCaption, ComboBox* left, QLabel* rightCaption,
                           ComboBox* right, DataGrid* grid,
                           std::initializer_list<QPushButton*> buttons) {
    auto* page = new QWidget;
    auto* lists = new QGridLayout;
    lists->addWidget(leftCaption, 0, 0);
    lists->addWidget(rightCaption, 0, 1);
    lists->addWidget(left, 1, 0);
    lists->addWidget(right, 1, 1);
    auto* row = new QHBoxLayout;
    for (QPushButton* button : buttons)
        row->addWidget(button);
    row->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(lists);
    layout->addWidget(grid, 1);
    layout->addLayout(row);
    return page;
}

QWidget* frmCaldrin::BuildAlbumTab() {
    cmbAlbum[1] = List(QStringLiteral("cmbAlbum"), 1);
    cmbartist[1] = List(QStringLiteral("cmbartist"), 1);
    Data1 = Named(new DataControl(this), QStringLiteral("Data1"));
    DBGrid1 = Named(new DataGrid(*Data1, kGridFields), QStringLiteral("DBGrid1"));
    cmdDel1 = Button(QStringLiteral("削除"), QStringLiteral("cmdDel1"));
    cmdEdit1 = Button(QStringLiteral("修正"), QStringLiteral("cmdEdit1"));
    cmdPrint1[0] = Button(QStringLiteral("MD"), QStringLiteral("cmdPrint1(0)"));
    cmdPrint2[0] = Button(QStringLiteral("ｶｾｯﾄ"), QStringLiteral("cmdPrint2(0)"));
    return BrowsePage(
        Caption(QStringLiteral("アルバム名"), QStringLiteral("Label6"), cmbAlbum[1]), cmbAlbum[1],
        Caption(QStringLiteral("アーチスト名"), QStringLiteral("Label9"), cmbartist[1]),
        cmbartist[1], DBGrid1, {cmdDel1, cmdEdit1, cmdPrint1[0], cmdPrint2[0]});
}

QWidget* frmCaldrin::BuildArtistTab() {
    cmbartist[2] = List(QStringLiteral("cmbartist"), 2);
    cmbAlbum[2] = List(QStringLiteral("cmbAlbum"), 2);
    Data2 = Named(new DataControl(this), QStringLiteral("Data2"));
    DBGrid2 = Named(new DataGrid(*Data2, kGridFields), QStringLiteral("DBGrid2"));
    cmdDel2 = Button(QStringLiteral("削除"), QStringLiteral("cmdDel2"));
    cmdEdit2 = Button(QStringLiteral("修正"), QStringLiteral("cmdEdit2"));
    cmdPrint1[1] = Button(QStringLiteral("MD"), QStringLiteral("cmdPrint1(1)"));
    cmdPrint2[1] = Button(QStringLiteral("ｶｾｯﾄ"), QStringLiteral("cmdPrint2(1)"));
    return BrowsePage(
        Caption(QStringLiteral("アーチスト名"), QStringLiteral("Label7"), cmbartist[2]),
        cmbartist[2], Caption(QStringLiteral("アルバム名"), QStringLiteral("Label8"), cmbAlbum[2]),
        cmbAlbum[2], DBGrid2, {cmdDel2, cmdEdit2, cmdPrint1[1], cmdPrint2[1]});
}

QWidget* frmCaldrin::BuildEntryTab() {
    auto* page = new QWidget;
    cmbartist[3] = List(QStringLiteral("cmbartist"), 3);
    cmbAlbum[3] = List(QStringLiteral("cmbAlbum"), 3);
    txtNo = Named(new QLineEdit, QStringLiteral("txtNo"));
    txtName = Named(new QLineEdit, QStringLiteral("txtName"));
    chkRenzoku = Named(new QCheckBox, QStringLiteral("chkRenzoku"));
    cmdTuika = Button(QStringLiteral("追加"), QStringLiteral("cmdTuika"));
    cmdUpdate = Button(QStringLiteral("変更"), QStringLiteral("cmdUpdate"));
    cmdClear = Named(new CommandButton(QStringLiteral("クリア")), QStringLiteral("cmdClear"));

    auto* fields = new QGridLayout;
    fields->addWidget(Caption(QStringLiteral("ｱｰﾁｽﾄ名"), QStringLiteral("Label3"), cmbartist[3]), 0,
                      0);
    fields->addWidget(cmbartist[3], 0, 1);
    fields->addWidget(cmdClear, 0, 2);
    fields->addWidget(Caption(QStringLiteral("アルバム名"), QStringLiteral("Label1"), cmbAlbum[3]),
                      1, 0);
    fields->addWidget(cmbAlbum[3], 1, 1);
    fields->addWidget(Caption(QStringLiteral("曲番"), QStringLiteral("Label2"), txtNo), 2, 0);
    fields->addWidget(txtNo, 2, 1);
    fields->addWidget(Caption(QStringLiteral("曲名"), QStringLiteral("Label4"), txtName), 3, 0);
    fields->addWidget(txtName, 3, 1);
    fields->setColumnStretch(1, 1);

    auto* commands = new QHBoxLayout;
    commands->addWidget(cmdTuika);
    commands->addWidget(cmdUpdate);
    commands->addWidget(chkRenzoku);
    commands->addWidget(Named(new CheckBoxCaption(QStringLiteral("連続追加"), chkRenzoku),
                              QStringLiteral("Label5")));
    commands->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(fields);
    layout->addLayout(commands);
    layout->addStretch();
    // クリア stands beside the artist field but comes last, after the commands that store.
    SetTabOrder(
        {cmbartist[3], cmbAlbum[3], txtNo, txtName, cmdTuika, cmdUpdate, chkRenzoku, cmdClear});
    return page;
}

QWidget* frmCaldrin::BuildOptionTab() {
    auto* page = new QWidget;
    txtTitle1 = Named(new QLineEdit, QStringLiteral("txtTitle1"));
    txtTitle2 = Named(new QLineEdit, QStringLiteral("txtTitle2"));
    txtTitle1->setFont(Mincho(9, false));
    txtTitle2->setFont(Mincho(9, false));
    chkSyasen1 = Named(new QCheckBox(QStringLiteral("斜線")), QStringLiteral("chkSyasen1"));
    chkSyasen2 = Named(new QCheckBox(QStringLiteral("斜線")), QStringLiteral("chkSyasen2"));
    cmdSave = Button(QStringLiteral("設定"), QStringLiteral("cmdSave"));

    auto* layout = new QGridLayout(page);
    layout->addWidget(
        Caption(QStringLiteral("タイトル（１行目）"), QStringLiteral("Label11"), txtTitle1), 0, 0);
    layout->addWidget(txtTitle1, 1, 0);
    layout->addWidget(chkSyasen1, 1, 1);
    layout->addWidget(
        Caption(QStringLiteral("タイトル（２行目）"), QStringLiteral("Label10"), txtTitle2), 2, 0);
    layout->addWidget(txtTitle2, 3, 0);
    layout->addWidget(chkSyasen2, 3, 1);
    layout->addWidget(cmdSave, 4, 1);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(5, 1);
    return page;
}
