#include "calibrationdialog.h"

#include "calibrationpage.h"
#include "msgbox.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <cmath>

namespace report {

namespace {

double Tenths(double value) {
    return std::round(value * 10) / 10;
}

} // namespace

CalibrationDialog::CalibrationDialog(QWidget* parent, const Calibration& start, Definition label,
                                     QPrinter* printer, Changed changed)
    : QDialog(parent), start_(start), label_(std::move(label)), printer_(printer),
      changed_(std::move(changed)) {
    setWindowTitle(QStringLiteral("印刷位置の補正"));
    auto* form = new QFormLayout(this);
    const double limit = Calibration::kMaxOffsetMm;
    offsetX_ = AddSpinBox(QStringLiteral("offsetX"), -limit, limit, QStringLiteral(" mm"));
    offsetY_ = AddSpinBox(QStringLiteral("offsetY"), -limit, limit, QStringLiteral(" mm"));
    scale_ = AddSpinBox(QStringLiteral("scale"), Calibration::kMinScalePercent,
                        Calibration::kMaxScalePercent, QStringLiteral(" %"));
    mdHeight_ = AddSpinBox(QStringLiteral("mdHeight"), Calibration::kMinMediumMm,
                           Calibration::kMaxMediumMm, QStringLiteral(" mm"));
    cassetteHeight_ = AddSpinBox(QStringLiteral("cassetteHeight"), Calibration::kMinMediumMm,
                                 Calibration::kMaxMediumMm, QStringLiteral(" mm"));
    cutGuides_ = new QCheckBox(QStringLiteral("切り取り線を印刷する"), this);
    cutGuides_->setObjectName(QStringLiteral("cutGuides"));
    offsetX_->setValue(Tenths(start.offsetX.InMillimetres()));
    offsetY_->setValue(Tenths(start.offsetY.InMillimetres()));
    scale_->setValue(start.scalePercent);
    cutGuides_->setChecked(start.cutGuides);
    mdHeight_->setValue(Tenths(start.mdHeight.InMillimetres()));
    cassetteHeight_->setValue(Tenths(start.cassetteHeight.InMillimetres()));
    form->addRow(QStringLiteral("横のずれ (右へ +)"), offsetX_);
    form->addRow(QStringLiteral("縦のずれ (下へ +)"), offsetY_);
    form->addRow(QStringLiteral("倍率"), scale_);
    form->addRow(cutGuides_);
    form->addRow(QStringLiteral("MD ケースに入る高さ"), mdHeight_);
    form->addRow(QStringLiteral("カセットケースに入る高さ"), cassetteHeight_);

    auto* testPage = new QPushButton(QStringLiteral("テストページを印刷..."), this);
    testPage->setObjectName(QStringLiteral("printTestPage"));
    form->addRow(testPage);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);

    for (QDoubleSpinBox* box : {offsetX_, offsetY_, scale_, mdHeight_, cassetteHeight_})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { changed_(Value()); });
    connect(cutGuides_, &QCheckBox::toggled, this, [this] { changed_(Value()); });
    connect(testPage, &QPushButton::clicked, this, &CalibrationDialog::PrintTestPage);
    connect(buttons, &QDialogButtonBox::accepted, this, &CalibrationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CalibrationDialog::reject);
}

QDoubleSpinBox* CalibrationDialog::AddSpinBox(const QString& name, double low, double high,
                                              const QString& unit) {
    auto* box = new QDoubleSpinBox(this);
    box->setObjectName(name);
    box->setRange(low, high);
    box->setDecimals(1);
    box->setSingleStep(0.1);
    box->setSuffix(unit);
    // One redraw per value the user settles on, not one per digit typed.
    box->setKeyboardTracking(false);
    return box;
}

Calibration CalibrationDialog::Value() const {
    return {Distance::Millimetres(offsetX_->value()),
            Distance::Millimetres(offsetY_->value()),
            scale_->value(),
            cutGuides_->isChecked(),
            Distance::Millimetres(mdHeight_->value()),
            Distance::Millimetres(cassetteHeight_->value())};
}

void CalibrationDialog::accept() {
    const QString problem = SaveCalibration(Value());
    // The values stay in use for this preview either way; only the next start would lose them.
    if (!problem.isEmpty())
        MsgBox(problem, vbOKOnly, kCheckTitle);
    QDialog::accept();
}

void CalibrationDialog::reject() {
    changed_(start_);
    QDialog::reject();
}

void CalibrationDialog::PrintTestPage() {
    QPrintDialog dialog(printer_, this);
    dialog.setWindowTitle(QStringLiteral("テストページの印刷"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        PrintCalibrationPage(*printer_, label_);
    } catch (const std::exception& error) {
        MsgBox(QString::fromUtf8(error.what()), vbOKOnly, kCheckTitle);
    }
}

} // namespace report
