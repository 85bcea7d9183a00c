#include "frmcaldrin.h"
#include "msgbox.h"
#include "statements.h"
#include "titlefile.h"
#include "titlestyle.h"
#include "tracktable.h"

#include <QCloseEvent>
#include <QCoreApplication>

frmCaldrin::frmCaldrin(QString programFolder)
    : programFolder_(std::move(programFolder)),
      splash_(std::make_unique<frmOpen>(QStringLiteral("CALDRIN"))) {
    BuildWindow();
    ConnectHandlers();
}

frmCaldrin::~frmCaldrin() {
    // The controls outlive the members; none of their last signals may reach a handler.
    for (QObject* child : findChildren<QObject*>())
        disconnect(child, nullptr, this, nullptr);
}

void frmCaldrin::ConnectHandlers() {
    connect(SSTab1, &TabControl::Click, this, &frmCaldrin::SSTab1_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmCaldrin::cmdClose_Click);
    for (int index = 0; index < 2; ++index) {
        Route(cmdPrint1[index], &QPushButton::clicked, [this, index] { cmdPrint1_Click(index); });
        Route(cmdPrint2[index], &QPushButton::clicked, [this, index] { cmdPrint2_Click(index); });
    }
    for (int index = 0; index < 4; ++index) {
        Route(cmbAlbum[index], &ComboBox::Click, [this, index] { cmbAlbum_Click(index); });
        Route(cmbartist[index], &ComboBox::Click, [this, index] { cmbartist_Click(index); });
    }
    const std::pair<QPushButton*, void (frmCaldrin::*)()> commands[] = {
        {cmdTuika, &frmCaldrin::cmdTuika_Click}, {cmdUpdate, &frmCaldrin::cmdUpdate_Click},
        {cmdClear, &frmCaldrin::cmdClear_Click}, {cmdEdit1, &frmCaldrin::cmdEdit1_Click},
        {cmdEdit2, &frmCaldrin::cmdEdit2_Click}, {cmdDel1, &frmCaldrin::cmdDel1_Click},
        {cmdDel2, &frmCaldrin::cmdDel2_Click},   {cmdSave, &frmCaldrin::cmdSave_Click}};
    for (const auto& [button, handler] : commands)
        Route(button, &QPushButton::clicked, [this, handler = handler] { (this->*handler)(); });
}

void frmCaldrin::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        if (dbTrack)
            dbTrack->Rollback();
        MsgBox(QString::fromUtf8(error.what()), vbOKOnly, QStringLiteral("エラー"));
    }
}

bool frmCaldrin::Form_Load() {
    // A failure while the titles are read is passed over; the load goes on with the catalogue.
    // The first failure after that runs the catalogue steps once more; a second failure of any
    // kind ends the start-up.
    bool trapped = false;
    try {
        ShowSplashAndReadTitles();
    } catch (const std::exception&) {
        trapped = true;
    }
    for (;;) {
        try {
            OpenCatalogueAndFillLists();
            if (const QString problem = tracktable::WriteProblem(dbTrack->Path());
                !problem.isEmpty())
                MsgBox(problem, vbOKOnly, QStringLiteral("確認"));
            return true;
        } catch (const std::exception& error) {
            if (trapped) {
                MsgBox(QString::fromUtf8(error.what()), vbOKOnly, windowTitle());
                return false;
            }
            trapped = true;
        }
    }
}

void frmCaldrin::ShowProgress(double percent) {
    if (splash_)
        splash_->pbOpen->SetValue(percent);
}

void frmCaldrin::ShowSplashAndReadTitles() {
    splash_->Show();
    splash_->Refresh();
    ShowProgress(10);
    CentreOnScreen(*this);
    ShowProgress(20);
    ReadTitleSettings();
}

void frmCaldrin::ReadTitleSettings() {
    // The settings file lies in the current folder, not beside the catalogue.
    titlefile::InputFile file(QStringLiteral("TITLE.TXT"));
    TitleLine1 = file.Input();
    TitleLine2 = file.Input();
    lblTitle1->setText(TitleLine1);
    txtTitle1->setText(TitleLine1);
    lblTitle2->setText(TitleLine2);
    txtTitle2->setText(TitleLine2);
    SlantFlag1 = file.Input();
    SlantFlag2 = file.Input();
    ApplyTitleStyle(*lblTitle1, SlantFlag1);
    chkSyasen1->setChecked(IsSlanted(SlantFlag1));
    ApplyTitleStyle(*lblTitle2, SlantFlag2);
    chkSyasen2->setChecked(IsSlanted(SlantFlag2));
}

void frmCaldrin::OpenCatalogueAndFillLists() {
    ShowProgress(50);
    dbTrack = tracktable::OpenCatalogue(tracktable::FilePath(programFolder_, Program::Caldrin),
                                        Program::Caldrin);
    SqlText = statements::caldrin::AllAlbums();
    rsTrack = dbTrack->OpenRecordset(SqlText, dbOpenSnapshot);
    FillLists(*rsTrack, {cmbAlbum[1]});
    ShowProgress(80);
    SqlText = statements::caldrin::AllArtistsOrdered();
    rsTrack = dbTrack->OpenRecordset(SqlText, dbOpenSnapshot);
    FillLists(*rsTrack, {cmbartist[2], cmbartist[3]});
    for (QPushButton* print : {cmdPrint1[0], cmdPrint2[0], cmdPrint1[1], cmdPrint2[1]})
        print->setEnabled(false);
    ShowProgress(100);
    splash_.reset();
    SSTab1->SetTab(0);
}

void frmCaldrin::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmCaldrin::Form_Unload() {
    if (dbTrack)
        dbTrack->Close();
    End();
}

void frmCaldrin::cmdClose_Click() {
    dbTrack->Close();
    End();
}

void frmCaldrin::End() {
    ended_ = true;
    hide();
    QCoreApplication::exit(0);
}
