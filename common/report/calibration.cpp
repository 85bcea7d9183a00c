#include "calibration.h"

#include <QSettings>
#include <algorithm>
#include <cmath>

namespace report {

namespace {

// One file for every program of the suite, so a printer is calibrated once.
QSettings Settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("mdcatalogue"),
                     QStringLiteral("labels"));
}

const QString kOffsetX = QStringLiteral("calibration/offsetXMm");
const QString kOffsetY = QStringLiteral("calibration/offsetYMm");
const QString kScale = QStringLiteral("calibration/scalePercent");
const QString kGuides = QStringLiteral("calibration/cutGuides");
const QString kMdHeight = QStringLiteral("calibration/mdHeightMm");
const QString kCassetteHeight = QStringLiteral("calibration/cassetteHeightMm");
const QString kPaper = QStringLiteral("paper");
const QString kFit = QStringLiteral("fitToMedium");

// A hand-edited or damaged value falls back to the default rather than moving the label.
double Number(const QSettings& settings, const QString& key, double fallback) {
    bool ok = false;
    const double value = settings.value(key).toDouble(&ok);
    return ok && std::isfinite(value) ? value : fallback;
}

double Within(double value, double low, double high) {
    return std::clamp(value, low, high);
}

QString Written(QSettings& settings) {
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return {};
    return QStringLiteral(
               "設定ファイル %1 "
               "に書き込めませんでした。ディスクの空きと書き込みの権限を確かめてください。")
        .arg(settings.fileName());
}

} // namespace

QTransform Calibration::Transform() const {
    const double scale = scalePercent / 100;
    return QTransform(scale, 0, 0, scale, offsetX.InTwips(), offsetY.InTwips());
}

Calibration Calibration::Clamped() const {
    const double limit = Distance::Millimetres(kMaxOffsetMm).InTwips();
    const auto medium = [](Distance height) {
        return Distance::Millimetres(Within(height.InMillimetres(), kMinMediumMm, kMaxMediumMm));
    };
    return {Distance::Twips(Within(offsetX.InTwips(), -limit, limit)),
            Distance::Twips(Within(offsetY.InTwips(), -limit, limit)),
            Within(scalePercent, kMinScalePercent, kMaxScalePercent),
            cutGuides,
            medium(mdHeight),
            medium(cassetteHeight)};
}

Calibration SavedCalibration() {
    const QSettings settings = Settings();
    return Calibration{Distance::Millimetres(Number(settings, kOffsetX, 0)),
                       Distance::Millimetres(Number(settings, kOffsetY, 0)),
                       Number(settings, kScale, 100),
                       settings.value(kGuides, true).toBool(),
                       Distance::Millimetres(Number(settings, kMdHeight, 70)),
                       Distance::Millimetres(Number(settings, kCassetteHeight, 65))}
        .Clamped();
}

QString SaveCalibration(const Calibration& calibration) {
    QSettings settings = Settings();
    // Tenths of a millimetre are what the user typed; the twips in between are not.
    const auto tenths = [](Distance d) { return std::round(d.InMillimetres() * 10) / 10; };
    settings.setValue(kOffsetX, tenths(calibration.offsetX));
    settings.setValue(kOffsetY, tenths(calibration.offsetY));
    settings.setValue(kScale, calibration.scalePercent);
    settings.setValue(kGuides, calibration.cutGuides);
    settings.setValue(kMdHeight, tenths(calibration.mdHeight));
    settings.setValue(kCassetteHeight, tenths(calibration.cassetteHeight));
    return Written(settings);
}

bool SavedFit() {
    return Settings().value(kFit, false).toBool();
}

QString SaveFit(bool fit) {
    QSettings settings = Settings();
    settings.setValue(kFit, fit);
    return Written(settings);
}

// Stored by Qt's key ("A4", "JisB5"), which a person can read and which outlives enum changes.
QPageSize SavedPaper() {
    const QString key = Settings().value(kPaper).toString();
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id)
        if (id != QPageSize::Custom && QPageSize::key(QPageSize::PageSizeId(id)) == key)
            return QPageSize(QPageSize::PageSizeId(id));
    return QPageSize(QPageSize::A4);
}

QString SavePaper(const QPageSize& paper) {
    // A paper the printer defines for itself has no key to come back by.
    if (paper.id() == QPageSize::Custom)
        return {};
    QSettings settings = Settings();
    const QString key = QPageSize::key(paper.id());
    if (settings.value(kPaper).toString() == key)
        return {};
    settings.setValue(kPaper, key);
    return Written(settings);
}

std::optional<QPageSize> PaperNamed(const QString& name) {
    // B5 paper in Japan is the JIS size, 182 x 257 mm, not the ISO one.
    const std::pair<const char*, QPageSize::PageSizeId> papers[] = {{"A4", QPageSize::A4},
                                                                    {"A5", QPageSize::A5},
                                                                    {"B5", QPageSize::JisB5},
                                                                    {"Letter", QPageSize::Letter}};
    for (const auto& [paperName, id] : papers)
        if (name.compare(QLatin1String(paperName), Qt::CaseInsensitive) == 0)
            return QPageSize(id);
    return std::nullopt;
}

} // namespace report
