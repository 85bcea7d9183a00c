#pragma once

#include "calibration.h"
#include "reportdefinition.h"

#include <QFont>
#include <QLineF>
#include <QList>
#include <QPageLayout>
#include <QRectF>
#include <functional>
#include <memory>
#include <optional>

class QPagedPaintDevice;
class QPainter;
class Snapshot;

namespace report {

// One text of a laid-out page, its box in twips from the top-left corner of the label area.
struct PlacedText {
    QString field;
    QString text;
    QRectF box;
    double points;
    bool bold;
    Qt::Alignment alignment;
};

struct PlacedLine {
    QString name;
    QLineF line;
    bool dashed;
};

struct Page {
    QList<PlacedText> texts;
    QList<PlacedLine> lines;
    // Where the label is cut out: from the heading's corner to the ticks, down to the last band.
    QRectF outline;
};

// Where the label area starts on every sheet: far enough in from the edges for a printer's
// unprintable border and for the cut guides outside the label.
inline constexpr Distance kSheetInset = Distance::Millimetres(20);

// The label's outline in the label area when it holds the given number of tracks.
QRectF LabelOutline(const Definition& definition, qint64 tracks);

// Twips of the label area to twips of the sheet as the calibrated printer needs them.
QTransform SheetTransform(const Calibration& calibration);

// Lays a report out over its rows for one sheet, then draws the pages on any paged device: the
// preview, a printer and a PDF file all come out of the same code.
class PageRenderer {
public:
    // fitTo: the height the label must keep within, its track lines set closer, smaller and
    // then in columns where they would run past it; none keeps the layout whatever its height.
    PageRenderer(Definition definition, std::shared_ptr<const Snapshot> rows,
                 const QPageSize& paper = QPageSize(QPageSize::A4),
                 std::optional<Distance> fitTo = std::nullopt);

    const QList<Page>& Pages() const { return pages_; }
    // The paper and orientation laid out for, without margins.
    const QPageLayout& Sheet() const { return sheet_; }
    // Lays the pages out again when the user chose another paper or orientation.
    void SetSheet(const QPageLayout& sheet);
    // The text the label is headed with: the album or the disc.
    QString Heading() const;

    // Whether a label laid out runs taller than the height.
    bool RunsPast(Distance height) const;
    // False when some part of a label would fall into the margins the printer cannot print.
    bool FitsPrintableArea(const QPageLayout& printer, const Calibration& calibration) const;

    // Draws every page on a device whose paper is the sheet's, as the calibration says.
    void Print(QPagedPaintDevice& device, const Calibration& calibration) const;
    // Draws one page with a painter whose coordinates are twips of the label area.
    void DrawPage(QPainter& painter, int page, bool cutGuides) const;

private:
    // Where a band goes when the label is fitted to its medium: the column it is set in, and
    // how much its heights and text are scaled down. The ticks mark the label's edge and are
    // kept to its last column.
    struct Placement {
        Distance left;
        Distance width;
        double down = 1;
        bool ticks = true;
    };

    void Layout();
    // One page holding every track, in as few columns as keep the text legible.
    void LayoutFitted(Distance height);
    void StartPage(qint64 row);
    // Where the track lines of a page end, above its footer.
    Distance DetailsEnd() const;
    void PlaceBand(const Band& band, qint64 row, Distance top,
                   const std::optional<Placement>& fitted = std::nullopt);
    QString Text(qint64 row, const QString& column) const;

    Definition definition_;
    std::shared_ptr<const Snapshot> rows_;
    QPageLayout sheet_;
    std::optional<Distance> fitTo_;
    QList<Page> pages_;
};

// Runs a drawing on every page of a device, in twips, after checking the painter started;
// throws std::runtime_error with a message for the user when the device fails.
void PaintPages(QPagedPaintDevice& device, int pages,
                const std::function<void(QPainter&, int)>& drawPage);

} // namespace report
