#include "labelpreview.h"

#include "labelprint.h"
#include "msgbox.h"
#include "recordset.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

namespace report {

namespace {

const QString kCheckTitle = QStringLiteral("確認");

QString LabelTitle(Label label) {
    return label == Label::Md ? QStringLiteral("MD ラベル") : QStringLiteral("カセットラベル");
}

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
        MsgBox(QStringLiteral("印刷する曲がありません。"), vbOKOnly, kCheckTitle);
        return;
    }
    auto renderer = std::make_shared<PageRenderer>(LabelDefinition(program, label), rows);
    auto* preview = new QPrintPreviewDialog(parent);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->setWindowTitle(LabelTitle(label));
    preview->printer()->setFullPage(true);
    preview->printer()->setPageSize(renderer->Paper());
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview,
                     [renderer](QPrinter* printer) {
                         try {
                             renderer->Print(*printer);
                         } catch (const std::exception& error) {
                             MsgBox(QString::fromUtf8(error.what()), vbOKOnly, kCheckTitle);
                         }
                     });
    preview->show();
}

} // namespace report
