#pragma once

#include "calibration.h"
#include "reportdefinition.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QDoubleSpinBox;
class QPrinter;

namespace report {

// The small dialog in which a user corrects where the printer puts a label: offsets, scale and
// cut guides. Every change is handed on at once, so the preview behind it redraws as the user
// types; OK saves the values for the user, Cancel hands back the ones it started with.
class CalibrationDialog : public QDialog {
public:
    using Changed = std::function<void(const Calibration&)>;

    // label: whose corners the test page marks; printer: where the test page goes.
    CalibrationDialog(QWidget* parent, const Calibration& start, Definition label,
                      QPrinter* printer, Changed changed);

    Calibration Value() const;

    void accept() override;
    void reject() override;

private:
    QDoubleSpinBox* AddSpinBox(const QString& name, double low, double high, const QString& unit);
    void PrintTestPage();

    Calibration start_;
    Definition label_;
    QPrinter* printer_;
    Changed changed_;
    QDoubleSpinBox *offsetX_, *offsetY_, *scale_;
    QCheckBox* cutGuides_;
    QDoubleSpinBox* mdHeight_;
    QDoubleSpinBox* cassetteHeight_;
};

} // namespace report
