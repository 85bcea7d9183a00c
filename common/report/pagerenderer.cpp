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

// Sized in the painter's own units, twips, so the device's resolution is applied only once.
QFont FieldFont(const PlacedText& text) {
    QFont font(QString::fromUtf8(kMincho));
    font.setPixelSize(qRound(Distance::Points(text.points).InTwips()));
    font.setBold(text.bold);
    return font;
}

} // namespace

PageRenderer::PageRenderer(Definition definition, std::shared_ptr<const Snapshot> rows,
                           QPageSize paper)
    : definition_(std::move(definition)), rows_(std::move(rows)), paper_(std::move(paper)) {
    Layout();
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
    const Distance paperHeight = Distance::Millimetres(paper_.size(QPageSize::Millimeter).height());
    const Distance bottom = paperHeight - definition_.margins.bottom;
    const Distance detailsEnd = bottom - definition_.pageFooter.height;
    const Distance detailsStart = definition_.margins.top + definition_.pageHeader.height;
    // Starting at the end of a page makes the first row open the first page.
    Distance y = detailsEnd;
    for (qint64 row = 0; row < rows_->RecordCount(); ++row) {
        // A band that would run into the footer starts a new page, headed by its own row.
        if (y + definition_.detail.height > detailsEnd) {
            if (!pages_.isEmpty())
                PlaceBand(definition_.pageFooter, row - 1, detailsEnd);
            StartPage(row);
            y = detailsStart;
        }
        PlaceBand(definition_.detail, row, y);
        y += definition_.detail.height;
    }
    if (!pages_.isEmpty())
        PlaceBand(definition_.pageFooter, rows_->RecordCount() - 1, detailsEnd);
}

void PageRenderer::DrawPage(QPainter& painter, int page) const {
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
}

void PageRenderer::Print(QPagedPaintDevice& device) const {
    device.setPageLayout(QPageLayout(paper_, QPageLayout::Portrait, QMarginsF()));
    QPainter painter(&device);
    if (!painter.isActive())
        throw std::runtime_error("印刷を始めることができませんでした。");
    const double scale = Distance::Twips(1).InDots(device.logicalDpiX());
    for (int page = 0; page < pages_.size(); ++page) {
        if (page > 0 && !device.newPage())
            throw std::runtime_error("印刷の途中で次のページに進めませんでした。");
        painter.save();
        painter.scale(scale, scale);
        DrawPage(painter, page);
        painter.restore();
    }
    // Only here does a printer hand the job on, or a PDF get its closing tables.
    if (!painter.end())
        throw std::runtime_error("印刷を終えることができませんでした。");
}

} // namespace report
