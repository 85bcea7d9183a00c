#pragma once

#include "distance.h"
#include "reportdefinition.h"

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

    static constexpr double kMinMediumMm = 30, kMaxMediumMm = 150;

    Distance offsetX, offsetY; // positive moves the print right and down
    double scalePercent = 100;
    bool cutGuides = true;
    // How tall a label may be to go in its case: an MD case, a cassette's J-card front.
    Distance mdHeight = Distance::Millimetres(70);
    Distance cassetteHeight = Distance::Millimetres(65);

    Distance MediumHeight(Label label) const {
        return label == Label::Md ? mdHeight : cassetteHeight;
    }
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

// Whether the track lines are set closer and smaller, where they would run past the medium.
bool SavedFit();
QString SaveFit(bool fit);

// The papers a label is offered on, by the names a user types: A4, A5, B5, Letter.
std::optional<QPageSize> PaperNamed(const QString& name);

} // namespace report
