#pragma once

#include "reportdefinition.h"

class QPagedPaintDevice;

namespace report {

// Draws the page a user measures a printer with: millimetre rulers along the top and left edges
// and crosshairs where the corners of the label belong, on the device's own paper. It is drawn
// without any calibration, so what the user measures is the printer's own error, and it says on
// the page how to turn the measures into a calibration.
void PrintCalibrationPage(QPagedPaintDevice& device, const Definition& label);

} // namespace report
