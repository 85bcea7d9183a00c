#pragma once

#include "distance.h"

#include <QPageSize>
#include <QString>
#include <QTransform>
#include <optional>

namespace report {

// How one user's printer misses the sheet, measured on the calibration page: a shift of the
// whole print and a stretch from the sheet's corner. Cut guides go with it, since both are about
// where the paper is cut.
struct Calibration {
    static constexpr double kMaxOffsetMm = 20;
    static constexpr double kMinScalePercent = 90, kMaxScalePercent = 110;

    Distance offsetX, offsetY; // positive moves the print right and down
    double scalePercent = 100;
    bool cutGuides = true;

    // Twips as laid out to twips where the printer must put them.
    QTransform Transform() const;
    // Values outside the ranges above are brought to their nearest end.
    Calibration Clamped() const;
};

// The user's calibration and paper, shared by both programs and mklabel: they belong to the
// printer, not to a catalogue.
Calibration SavedCalibration();
QPageSize SavedPaper();
// Both return the reason the settings file could not be written, or nothing.
QString SaveCalibration(const Calibration& calibration);
QString SavePaper(const QPageSize& paper);

// The papers a label is offered on, by the names a user types: A4, A5, B5, Letter.
std::optional<QPageSize> PaperNamed(const QString& name);

} // namespace report
