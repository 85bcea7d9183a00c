#include "pagerenderer.h"

#include "columnname.h"
#include "fonts.h"
#include "numbertext.h"
#include "recordset.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <stdexcept>

namespace report {

namespace {

// The default weight of a drawn line: one pixel of the screen the labels were laid out on.
constexpr Distance kLineWeight = 15_tw;

// Cut guides stand off the label's corners, so a slightly crooked cut still misses them.
constexpr Distance kGuideGap = Distance::Millimetres(2);
constexpr Distance kGuideLength = Distance::Millimetres(5);
constexpr Distance kGuideWeight = Distance::Points(0.3);

// The smallest text a track line is set in to fit its medium, still read without a glass.
constexpr Distance kLegible = Distance::Points(5);
// How much a bold text's outline is thickened, of its size: FreeType's own emboldening.
constexpr double kEmbolden = 1.0 / 24;

// Sized in the painter's own units, twips, so the device's resolution is applied only once.
QFont FieldFont(const PlacedText& text) {
    QFont font(QString::fromUtf8(kMincho));
    font.setPixelSize(qRound(Distance::Points(text.points).InTwips()));
    return font;
}

// The label's font has no bold face: the glyphs' outlines are thickened, as FreeType does, and
// drawn over the text, which stays text for search and copying.
void DrawBold(QPainter& painter, const PlacedText& text, const QFont& font, const QString& shown) {
    const QFontMetricsF metrics(font, painter.device());
    const double width = metrics.horizontalAdvance(shown);
    double x = text.box.left();
    if (text.alignment & Qt::AlignHCenter)
        x = text.box.center().x() - width / 2;
    else if (text.alignment & Qt::AlignRight)
        x = text.box.right() - width;
    const QPointF baseline(x, text.box.top() + metrics.ascent());
    painter.drawText(baseline, shown);
    QPainterPath outline;
    outline.addText(baseline, font, shown);
    painter.strokePath(outline, QPen(Qt::black, font.pixelSize() * kEmbolden));
}

// Two short lines outward from each corner, along the edges that meet there.
void DrawCutGuides(QPainter& painter, const QRectF& outline) {
    painter.setPen(QPen(Qt::gray, kGuideWeight.InTwips()));
    const double gap = kGuideGap.InTwips(), end = (kGuideGap + kGuideLength).InTwips();
    for (const QPointF corner :
         {outline.topLeft(), outline.topRight(), outline.bottomLeft(), outline.bottomRight()}) {
        const double out_x = corner.x() == outline.left() ? -1 : 1;
        const double out_y = corner.y() == outline.top() ? -1 : 1;
        painter.drawLine(corner + QPointF(out_x * gap, 0), corner + QPointF(out_x * end, 0));
        painter.drawLine(corner + QPointF(0, out_y * gap), corner + QPointF(0, out_y * end));
    }
}

QRectF Extent(const Page& page) {
    QRectF extent = page.outline;
    for (const PlacedText& text : page.texts)
        extent |= text.box;
    return extent;
}

} // namespace

QRectF LabelOutline(const Definition& definition, qint64 tracks) {
    const Distance height = definition.pageHeader.height +
                            Distance::Twips(definition.detail.height.InTwips() * double(tracks));
    return QRectF(definition.margins.left.InTwips(), definition.margins.top.InTwips(),
                  definition.labelWidth.InTwips(), height.InTwips());
}

QTransform SheetTransform(const Calibration& calibration) {
    return QTransform::fromTranslate(kSheetInset.InTwips(), kSheetInset.InTwips()) *
           calibration.Transform();
}

PageRenderer::PageRenderer(Definition definition, std::shared_ptr<const Snapshot> rows,
                           const QPageSize& paper, std::optional<Distance> fitTo)
    : definition_(std::move(definition)), rows_(std::move(rows)),
      sheet_(paper, QPageLayout::Portrait, QMarginsF()), fitTo_(fitTo) {
    Layout();
}

void PageRenderer::SetSheet(const QPageLayout& sheet) {
    const QPageLayout bare(sheet.pageSize(), sheet.orientation(), QMarginsF());
    if (bare.fullRect(QPageLayout::Millimeter) == sheet_.fullRect(QPageLayout::Millimeter))
        return;
    sheet_ = bare;
    pages_.clear();
    Layout();
}

QString PageRenderer::Heading() const {
    return pages_.isEmpty() || pages_[0].texts.isEmpty() ? QString() : pages_[0].texts[0].text;
}

QString PageRenderer::Text(qint64 row, const QString& column) const {
    // A column the query did not select prints empty.
    const int index = FindColumn(rows_->FieldNames(), column);
    return index < 0 ? QString() : ValueToText(rows_->ValueAt(row, index));
}

void PageRenderer::PlaceBand(const Band& band, qint64 row, Distance top,
                             const std::optional<Placement>& fitted) {
    Page& page = pages_.last();
    const Distance edge = definition_.margins.left;
    const double down = fitted ? fitted->down : 1;
    const auto y = [&](Distance at) {
        return (top + Distance::Twips(at.InTwips() * down)).InTwips();
    };
    // Across a column, the track number keeps room for its digits at the smaller size, and the
    // texts after it share what is left.
    const double numberEnd = band.fields.isEmpty() ? 0 : band.fields[0].width.InTwips();
    const auto x = [&](Distance at) {
        if (!fitted)
            return (edge + at).InTwips();
        const double from = at.InTwips(), labelWidth = definition_.labelWidth.InTwips();
        const double rest = (fitted->width.InTwips() - numberEnd * down) / (labelWidth - numberEnd);
        const double placed =
            from <= numberEnd ? from * down : numberEnd * down + (from - numberEnd) * rest;
        return (edge + fitted->left).InTwips() + placed;
    };
    for (const TextField& field : band.fields) {
        const QRectF box =
            fitted ? QRectF(QPointF(x(field.left), y(field.top)),
                            QPointF(x(field.left + field.width), y(field.top + field.height)))
                   : QRectF((edge + field.left).InTwips(), (top + field.top).InTwips(),
                            field.width.InTwips(), field.height.InTwips());
        page.texts.append({field.name, Text(row, field.column), box, field.points * down,
                           field.bold, field.alignment});
    }
    for (const Line& line : band.lines) {
        const bool tick = line.x1 == line.x2;
        if (tick && fitted && !fitted->ticks)
            continue;
        const auto lineX = [&](Distance at) { return tick ? (edge + at).InTwips() : x(at); };
        page.lines.append({line.name,
                           QLineF(lineX(line.x1), y(line.y1), lineX(line.x2), y(line.y2)),
                           line.dashed});
    }
}

void PageRenderer::StartPage(qint64 row) {
    pages_.append(Page());
    PlaceBand(definition_.pageHeader, row, definition_.margins.top);
}

Distance PageRenderer::DetailsEnd() const {
    // Whole points would round A4 to 16840 twips; millimetres keep it at 16838.
    const Distance sheetHeight =
        Distance::Millimetres(sheet_.fullRect(QPageLayout::Millimeter).height());
    const Distance bottom = sheetHeight - kSheetInset - kSheetInset - definition_.margins.bottom;
    return bottom - definition_.pageFooter.height;
}

void PageRenderer::Layout() {
    const qint64 tracks = rows_->RecordCount();
    if (fitTo_ && tracks > 0 && LabelOutline(definition_, tracks).height() > fitTo_->InTwips())
        return LayoutFitted(*fitTo_);
    const Distance detailsEnd = DetailsEnd();
    const Distance detailsStart = definition_.margins.top + definition_.pageHeader.height;
    // Starting at the end of a page makes the first row open the first page.
    Distance y = detailsEnd;
    qint64 onPage = 0;
    for (qint64 row = 0; row < rows_->RecordCount(); ++row) {
        // A band that would run into the footer starts a new page, headed by its own row.
        if (y + definition_.detail.height > detailsEnd) {
            if (!pages_.isEmpty())
                PlaceBand(definition_.pageFooter, row - 1, detailsEnd);
            StartPage(row);
            y = detailsStart;
            onPage = 0;
        }
        PlaceBand(definition_.detail, row, y);
        y += definition_.detail.height;
        pages_.last().outline = LabelOutline(definition_, ++onPage);
    }
    if (!pages_.isEmpty())
        PlaceBand(definition_.pageFooter, rows_->RecordCount() - 1, detailsEnd);
}

void PageRenderer::LayoutFitted(Distance height) {
    const qint64 tracks = rows_->RecordCount();
    const Band& detail = definition_.detail;
    const double room = (height - definition_.pageHeader.height).InTwips();
    double largest = 0;
    for (const TextField& field : detail.fields)
        largest = std::max(largest, field.points);
    const double legible = largest > 0 ? kLegible.InPoints() / largest : 0;
    // Closer and smaller first; a column more only once the text would be too small to read.
    qint64 columns = 1, perColumn = tracks;
    double down = 1;
    for (;; ++columns) {
        perColumn = (tracks + columns - 1) / columns;
        down = std::min(1.0, room / (detail.height.InTwips() * double(perColumn)));
        if (down >= legible || perColumn == 1)
            break;
    }
    StartPage(0);
    const Distance top = definition_.margins.top + definition_.pageHeader.height;
    const double pitch = detail.height.InTwips() * down;
    for (qint64 row = 0; row < tracks; ++row) {
        const qint64 column = row / perColumn;
        const Distance width = Distance::Twips(definition_.labelWidth.InTwips() / double(columns));
        const Placement placement{Distance::Twips(width.InTwips() * double(column)), width, down,
                                  column == columns - 1};
        PlaceBand(detail, row, top + Distance::Twips(pitch * double(row % perColumn)), placement);
    }
    QRectF outline = LabelOutline(definition_, 0);
    outline.setHeight(outline.height() + pitch * double(perColumn));
    pages_.last().outline = outline;
    PlaceBand(definition_.pageFooter, tracks - 1, DetailsEnd());
}

bool PageRenderer::RunsPast(Distance height) const {
    return std::any_of(pages_.begin(), pages_.end(), [&](const Page& page) {
        return page.outline.height() > height.InTwips() + 0.5;
    });
}

bool PageRenderer::FitsPrintableArea(const QPageLayout& printer,
                                     const Calibration& calibration) const {
    QPageLayout printable = printer;
    printable.setMargins(printer.minimumMargins());
    const QRectF points = printable.paintRect(QPageLayout::Point);
    const QRectF area(
        Distance::Points(points.x()).InTwips(), Distance::Points(points.y()).InTwips(),
        Distance::Points(points.width()).InTwips(), Distance::Points(points.height()).InTwips());
    const QTransform toSheet = SheetTransform(calibration);
    for (const Page& page : pages_)
        if (!area.contains(toSheet.mapRect(Extent(page))))
            return false;
    return true;
}

void PageRenderer::DrawPage(QPainter& painter, int page, bool cutGuides) const {
    for (const PlacedText& text : pages_[page].texts) {
        const QFont font = FieldFont(text);
        painter.setFont(font);
        painter.setPen(Qt::black);
        // A text longer than its place ends in "…" within it; clipped, it would stop mid-letter
        // with the rest still in the file under the clip.
        const QString shown = QFontMetricsF(font, painter.device())
                                  .elidedText(text.text, Qt::ElideRight, text.box.width());
        if (text.bold)
            DrawBold(painter, text, font, shown);
        else
            // Text stands from the top of its box.
            painter.drawText(text.box, int(text.alignment) | Qt::TextSingleLine, shown);
    }
    for (const PlacedLine& line : pages_[page].lines) {
        QPen pen(Qt::black, kLineWeight.InTwips(), line.dashed ? Qt::DashLine : Qt::SolidLine);
        painter.setPen(pen);
        painter.drawLine(line.line);
    }
    if (cutGuides)
        DrawCutGuides(painter, pages_[page].outline);
}

void PageRenderer::Print(QPagedPaintDevice& device, const Calibration& calibration) const {
    const QTransform toSheet = SheetTransform(calibration);
    PaintPages(device, int(pages_.size()), [&](QPainter& painter, int page) {
        painter.setTransform(toSheet, true);
        DrawPage(painter, page, calibration.cutGuides);
    });
}

void PaintPages(QPagedPaintDevice& device, int pages,
                const std::function<void(QPainter&, int)>& drawPage) {
    QPainter painter(&device);
    if (!painter.isActive())
        throw std::runtime_error("印刷を始めることができませんでした。");
    const double scale = Distance::Twips(1).InDots(device.logicalDpiX());
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !device.newPage())
            throw std::runtime_error("印刷の途中で次のページに進めませんでした。");
        painter.save();
        painter.scale(scale, scale);
        drawPage(painter, page);
        painter.restore();
    }
    // Only here does a printer hand the job on, or a PDF get its closing tables.
    if (!painter.end())
        throw std::runtime_error("印刷を終えることができませんでした。");
}

} // namespace report
