#include "labelpreview.h"

#include "appsetup.h"
#include "calibrationdialog.h"
#include "labelprint.h"
#include "msgbox.h"
#include "recordset.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QGraphicsView>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

namespace report {

namespace {

const QString kUnprintable = QStringLiteral("ラベルの一部が印刷できない範囲にあります");

QString RunsPastWarning(Distance height) {
    return QStringLiteral("ラベルがケースの高さ (%1 mm) を超えています")
        .arg(QString::number(height.InMillimetres()));
}

// A file name made from the label's title; a slash in an album name must not make a folder.
QString ProposedPdf(const QString& title) {
    QString name = title;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QDir(UserDocumentsFolder()).filePath(name + QStringLiteral(".pdf"));
}

// The preview of one label, owning its layout and the calibration it is drawn with.
class LabelPreview : public QPrintPreviewDialog {
public:
    LabelPreview(QWidget* parent, Program program, Label label,
                 std::shared_ptr<const Snapshot> rows)
        : QPrintPreviewDialog(parent), label_(label), definition_(LabelDefinition(program, label)),
          rows_(std::move(rows)), calibration_(SavedCalibration()), fit_(SavedFit()),
          renderer_(Renderer(SavedPaper())) {
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(LabelName(label));
        const DocumentInfo info = LabelDocument(renderer_, program, label);
        printer()->setFullPage(true);
        // Only the paper: margins are the printer's business, and full-page printing ignores them.
        printer()->setPageSize(renderer_.Sheet().pageSize());
        printer()->setDocName(info.title);
        printer()->setCreator(info.creator);
        if (printer()->outputFormat() == QPrinter::PdfFormat)
            printer()->setOutputFileName(ProposedPdf(info.title));
        connect(this, &QPrintPreviewDialog::paintRequested, this, &LabelPreview::Paint);
        AddActions();
    }

protected:
    void showEvent(QShowEvent* event) override {
        // Wide enough for the whole tool bar: nothing of it behind the overflow button.
        if (auto* toolBar = findChild<QToolBar*>(); toolBar && !shownOnce_) {
            shownOnce_ = true;
            resize(std::max(width(), toolBar->sizeHint().width() + 2 * toolBar->x()), height());
        }
        QPrintPreviewDialog::showEvent(event);
        // Once laid out, when the view knows its width.
        QTimer::singleShot(0, this, &LabelPreview::ZoomToLabel);
    }

private:
    // The label and its cut guides across the view, from the sheet's left edge, rather than a
    // whole sheet of which the label fills a corner.
    void ZoomToLabel() {
        auto* pages = findChild<QPrintPreviewWidget*>();
        auto* view = pages ? pages->findChild<QGraphicsView*>() : nullptr;
        if (!view)
            return;
        const double shownMm =
            2 * kSheetInset.InMillimetres() + definition_.labelWidth.InMillimetres();
        const double pixelsPerMm = pages->logicalDpiX() / 25.4;
        // A little to spare for the grey border the view keeps around the sheet.
        constexpr double kBorder = 0.9;
        pages->setZoomMode(QPrintPreviewWidget::CustomZoom);
        pages->setZoomFactor(kBorder * view->viewport()->width() / (shownMm * pixelsPerMm));
        // Drawn again, so the tool bar shows the new zoom too.
        pages->updatePreview();
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->minimum());
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->minimum());
    }

    PageRenderer Renderer(const QPageSize& paper) const {
        const Distance medium = calibration_.MediumHeight(label_);
        return PageRenderer(definition_, rows_, paper, fit_ ? std::optional(medium) : std::nullopt);
    }

    // Laid out anew for the fit or the medium's height the user changed.
    void Relayout() {
        renderer_ = Renderer(renderer_.Sheet().pageSize());
        if (auto* pages = findChild<QPrintPreviewWidget*>())
            pages->updatePreview();
    }

    void Paint(QPrinter* printer) {
        // The paper is whatever the user chose last, here or in the print dialog.
        renderer_.SetSheet(printer->pageLayout());
        // Only a convenience for the next label; this one prints on the chosen paper regardless.
        SavePaper(printer->pageLayout().pageSize());
        QStringList title{LabelName(label_)};
        if (const Distance medium = calibration_.MediumHeight(label_); renderer_.RunsPast(medium))
            title << RunsPastWarning(medium);
        if (!renderer_.FitsPrintableArea(printer->pageLayout(), calibration_))
            title << kUnprintable;
        setWindowTitle(title.join(QStringLiteral(" — ")));
        try {
            renderer_.Print(*printer, calibration_);
        } catch (const std::exception& error) {
            MsgBox(QString::fromUtf8(error.what()), vbOKOnly, kCheckTitle);
        }
    }

    void AddActions() {
        auto* toolBar = findChild<QToolBar*>();
        if (!toolBar)
            return;
        toolBar->addSeparator();
        QAction* action = toolBar->addAction(QStringLiteral("印刷位置の補正..."));
        action->setObjectName(QStringLiteral("calibrate"));
        connect(action, &QAction::triggered, this, &LabelPreview::Calibrate);
        QAction* fit = toolBar->addAction(QStringLiteral("媒体に合わせる"));
        fit->setObjectName(QStringLiteral("fitToMedium"));
        fit->setCheckable(true);
        fit->setChecked(fit_);
        fit->setToolTip(QStringLiteral("曲が多くてケースに収まらないときは、曲の行を詰め、"
                                       "小さくし、2 段以上に組みます"));
        connect(fit, &QAction::toggled, this, [this](bool on) {
            fit_ = on;
            if (const QString problem = SaveFit(on); !problem.isEmpty())
                MsgBox(problem, vbOKOnly, kCheckTitle);
            Relayout();
        });
        GiveKeys(*toolBar);
    }

    void Calibrate() {
        auto* dialog = new CalibrationDialog(this, calibration_, definition_, printer(),
                                             [this](const Calibration& calibration) {
                                                 calibration_ = calibration;
                                                 Relayout();
                                             });
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    }

    // Every command of the tool bar has a key, named in its tool tip, and a place in the focus
    // chain, so the preview is used by keyboard as by mouse.
    static void GiveKeys(QToolBar& toolBar) {
        const auto named = [&](const char* qtText) -> QAction* {
            const QString text = QCoreApplication::translate("QPrintPreviewDialog", qtText);
            for (QAction* action : toolBar.actions())
                if (action->text() == text)
                    return action;
            return nullptr;
        };
        const std::pair<QAction*, QKeySequence> keys[] = {
            {named("Print"), QKeySequence::Print},
            {named("Page setup"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)},
            {toolBar.findChild<QAction*>(QStringLiteral("calibrate")),
             QKeySequence(Qt::CTRL | Qt::Key_K)},
            {toolBar.findChild<QAction*>(QStringLiteral("fitToMedium")),
             QKeySequence(Qt::CTRL | Qt::Key_M)}};
        for (const auto& [action, key] : keys) {
            if (!action)
                continue;
            action->setShortcut(key);
            action->setToolTip(QStringLiteral("%1 (%2)").arg(
                action->toolTip(), key.toString(QKeySequence::NativeText)));
        }
        for (QToolButton* button : toolBar.findChildren<QToolButton*>())
            button->setFocusPolicy(Qt::StrongFocus);
    }

    bool shownOnce_ = false;
    Label label_;
    Definition definition_;
    std::shared_ptr<const Snapshot> rows_;
    Calibration calibration_;
    bool fit_;
    PageRenderer renderer_;
};

} // namespace

void PrintLabel(QWidget* parent, Program program, Label label, const QString& catalogue,
                const QString& sql) {
    std::shared_ptr<const Snapshot> rows;
    try {
        rows = LoadRows(catalogue, program, sql);
    } catch (const std::exception& error) {
        MsgBox(QString::fromUtf8(error.what()), vbOKOnly, kCheckTitle);
        return;
    }
    if (rows->RecordCount() == 0) {
        MsgBox(kNothingToPrint, vbOKOnly, kCheckTitle);
        return;
    }
    (new LabelPreview(parent, program, label, std::move(rows)))->show();
}

} // namespace report
