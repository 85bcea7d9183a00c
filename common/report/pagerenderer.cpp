#include "pagerenderer.h"

#include "columnname.h"
#include "fonts.h"
#include "numbertext.h"
#include "recordset.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <stdexcept>

namespace report {

namespace {

// The default weight of a drawn line: one pixel of the screen the labels were laid out on.
constexpr Distance kLineWeight = 15_tw;

// Cut guides stand off the label's corners, so a slightly crooked cut still misses them.
constexpr Distance kGuideGap = Distance::Millimetres(2);
constexpr Distance kGuideLength = Distance::Millimetres(5);
constexpr Distance kGuideWeight = Distance::Points(0.3);

// Sized in the painter's own units, twips, so the device's resolution is applied only once.
QFont FieldFont(const PlacedText& text) {
    QFont font(QString::fromUtf8(kMincho));
    font.setPixelSize(qRound(Distance::Points(text.points).InTwips()));
    font.setBold(text.bold);
    return font;
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
                           const QPageSize& paper)
    : definition_(std::move(definition)), rows_(std::move(rows)),
      sheet_(paper, QPageLayout::Portrait, QMarginsF()) {
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

void PageRenderer::PlaceBand(const Band& band, qint64 row, Distance top) {
    Page& page = pages_.last();
    const Distance left = definition_.margins.left;
    for (const TextField& field : band.fields) {
        const QRectF box((left + field.left).InTwips(), (top + field.top).InTwips(),
                         field.width.InTwips(), field.height.InTwips());
        page.texts.append(
            {field.name, Text(row, field.column), box, field.points, field.bold, field.alignment});
    }
    for (const Line& line : band.lines) {
        const QLineF placed((left + line.x1).InTwips(), (top + line.y1).InTwips(),
                            (left + line.x2).InTwips(), (top + line.y2).InTwips());
        page.lines.append({line.name, placed, line.dashed});
    }
}

void PageRenderer::StartPage(qint64 row) {
    pages_.append(Page());
    PlaceBand(definition_.pageHeader, row, definition_.margins.top);
}

void PageRenderer::Layout() {
    // Whole points would round A4 to 16840 twips; millimetres keep it at 16838.
    const Distance sheetHeight =
        Distance::Millimetres(sheet_.fullRect(QPageLayout::Millimeter).height());
    const Distance bottom = sheetHeight - kSheetInset - kSheetInset - definition_.margins.bottom;
    const Distance detailsEnd = bottom - definition_.pageFooter.height;
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
        painter.setFont(FieldFont(text));
        painter.setPen(Qt::black);
        // Text stands from the top of its box and is cut off at the box's edges.
        painter.drawText(text.box, int(text.alignment) | Qt::TextSingleLine, text.text);
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
