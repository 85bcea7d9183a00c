#include "cataloguewindow.h"
#include "fonts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

template <typename Control> Control* Named(Control* control, const QString& name) {
    control->setObjectName(name);
    return control;
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

void CatalogueWindow::LayOutWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    status_ = Named(new Announcer, QStringLiteral("status"));
    // Nothing to tell before the first command.
    status_->hide();
    layout->addWidget(status_);
}

void CatalogueWindow::NameGridsByTheirTabs() {
    // A screen reader says what a grid lists by the tab it stands on.
    DBGrid1->setAccessibleName(SSTab1->tabText(1));
    DBGrid2->setAccessibleName(SSTab1->tabText(2));
}

ComboBox* CatalogueWindow::List(const QString& name, int index) {
    return Named(new ComboBox, QStringLiteral("%1(%2)").arg(name).arg(index));
}

QPushButton* CatalogueWindow::Button(const QString& caption, const QString& name,
                                     const QKeySequence& key) {
    auto* button = Named(new QPushButton(caption), name);
    if (!key.isEmpty())
        GiveShortcut(*button, key);
    return button;
}

void CatalogueWindow::CreateControls() {
    SSTab1 = Named(new TabControl(this), QStringLiteral("SSTab1"));
    lblTitle1 = Named(new QLabel, QStringLiteral("lblTitle1"));
    lblTitle1->setFont(Mincho(36, true));
    lblTitle2 = Named(new QLabel, QStringLiteral("lblTitle2"));
    lblTitle2->setFont(Mincho(27.75, true));
    // Titles are shown as typed, never as markup.
    lblTitle1->setTextFormat(Qt::PlainText);
    lblTitle2->setTextFormat(Qt::PlainText);
    cmdClose = Button(QStringLiteral("終了"), QStringLiteral("cmdClose"), Qt::ALT | Qt::Key_Q);
    Data1 = Named(new DataControl(this), QStringLiteral("Data1"));
    DBGrid1 = Named(new DataGrid(*Data1, gridFields_), QStringLiteral("DBGrid1"));
    Data2 = Named(new DataControl(this), QStringLiteral("Data2"));
    DBGrid2 = Named(new DataGrid(*Data2, gridFields_), QStringLiteral("DBGrid2"));
    cmdDel1 = Button(QStringLiteral("削除"), QStringLiteral("cmdDel1"), Qt::ALT | Qt::Key_D);
    cmdEdit1 = Button(QStringLiteral("修正"), QStringLiteral("cmdEdit1"), Qt::ALT | Qt::Key_E);
    cmdDel2 = Button(QStringLiteral("削除"), QStringLiteral("cmdDel2"), Qt::ALT | Qt::Key_D);
    cmdEdit2 = Button(QStringLiteral("修正"), QStringLiteral("cmdEdit2"), Qt::ALT | Qt::Key_E);
    txtNo = Named(new QLineEdit, QStringLiteral("txtNo"));
    txtName = Named(new QLineEdit, QStringLiteral("txtName"));
    chkRenzoku = Named(new QCheckBox, QStringLiteral("chkRenzoku"));
    cmdTuika = Button(QStringLiteral("追加"), QStringLiteral("cmdTuika"), Qt::ALT | Qt::Key_A);
    cmdUpdate = Button(QStringLiteral("変更"), QStringLiteral("cmdUpdate"), Qt::ALT | Qt::Key_U);
    cmdClear = Named(new CommandButton(QStringLiteral("クリア")), QStringLiteral("cmdClear"));
    GiveShortcut(*cmdClear, Qt::ALT | Qt::Key_L);
    // Ctrl+I opens it from every tab; the button is where tracks are added by hand.
    cmdImport = Button(QStringLiteral("取り込み…"), QStringLiteral("cmdImport"));
    cmdImport->setToolTip(QStringLiteral("取り込み… (Ctrl+I)"));
    txtTitle1 = Named(new QLineEdit, QStringLiteral("txtTitle1"));
    txtTitle2 = Named(new QLineEdit, QStringLiteral("txtTitle2"));
    txtTitle1->setFont(Mincho(9, false));
    txtTitle2->setFont(Mincho(9, false));
    chkSyasen1 = Named(new QCheckBox(QStringLiteral("斜線")), QStringLiteral("chkSyasen1"));
    chkSyasen2 = Named(new QCheckBox(QStringLiteral("斜線")), QStringLiteral("chkSyasen2"));
    cmdSave = Button(QStringLiteral("設定"), QStringLiteral("cmdSave"), Qt::ALT | Qt::Key_S);
}

QWidget* CatalogueWindow::BuildStartTab(std::initializer_list<ComboBox*> hiddenLists) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    layout->addWidget(lblTitle1, 0, Qt::AlignHCenter);
    layout->addWidget(lblTitle2, 0, Qt::AlignHCenter);
    layout->addStretch();
    for (ComboBox* list : hiddenLists) {
        list->hide();
        layout->addWidget(list);
    }
    layout->addWidget(cmdClose, 0, Qt::AlignRight);
    return page;
}

// Both browse tabs have one shape: the lists, the grid, and a row of buttons under it.
QWidget* CatalogueWindow::BrowsePage(QLayout* lists, DataGrid* grid,
                                     std::initializer_list<QPushButton*> buttons) {
    auto* page = new QWidget;
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

QLayout* CatalogueWindow::CaptionedLists(const QList<EntryField>& lists) {
    auto* layout = new QGridLayout;
    for (int column = 0; column < lists.size(); ++column) {
        const EntryField& list = lists[column];
        layout->addWidget(Caption(list.caption, list.labelName, list.control), 0, column);
        layout->addWidget(list.control, 1, column);
    }
    return layout;
}

QWidget* CatalogueWindow::BuildEntryTab(const QList<EntryField>& fields) {
    auto* page = new QWidget;

    auto* grid = new QGridLayout;
    for (int row = 0; row < fields.size(); ++row) {
        const EntryField& field = fields[row];
        grid->addWidget(Caption(field.caption, field.labelName, field.control), row, 0);
        grid->addWidget(field.control, row, 1);
    }
    grid->addWidget(cmdClear, 0, 2);
    grid->setColumnStretch(1, 1);

    auto* commands = new QHBoxLayout;
    commands->addWidget(cmdTuika);
    commands->addWidget(cmdUpdate);
    commands->addWidget(chkRenzoku);
    commands->addWidget(Named(new CheckBoxCaption(QStringLiteral("連続追加"), chkRenzoku),
                              QStringLiteral("Label5")));
    commands->addStretch();
    commands->addWidget(cmdImport);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addLayout(commands);
    layout->addStretch();
    // クリア stands beside the first field but comes last, after the commands that store.
    QList<QWidget*> order;
    for (const EntryField& field : fields)
        order << field.control;
    SetTabOrder(order << cmdTuika << cmdUpdate << chkRenzoku << cmdClear << cmdImport);
    return page;
}

QWidget* CatalogueWindow::BuildOptionTab(QWidget* above, const QString& label1,
                                         const QString& label2) {
    auto* page = new QWidget;

    auto* layout = new QGridLayout(page);
    int row = 0;
    if (above)
        layout->addWidget(above, row++, 0, 1, 2);
    layout->addWidget(Caption(QStringLiteral("タイトル（１行目）"), label1, txtTitle1), row++, 0);
    layout->addWidget(txtTitle1, row, 0);
    layout->addWidget(chkSyasen1, row++, 1);
    layout->addWidget(Caption(QStringLiteral("タイトル（２行目）"), label2, txtTitle2), row++, 0);
    layout->addWidget(txtTitle2, row, 0);
    layout->addWidget(chkSyasen2, row++, 1);
    layout->addWidget(cmdSave, row++, 1);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(row, 1);
    return page;
}
