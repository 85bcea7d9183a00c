#pragma once

#include "reportdefinition.h"

#include <QFont>
#include <QLineF>
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class Snapshot;

namespace report {

// One text of a laid-out page, its box in twips from the top-left corner of the sheet.
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
};

// Lays a report out over its rows once, then draws the pages on any paged device: the preview,
// a printer and a PDF file all come out of the same code.
class PageRenderer {
public:
    PageRenderer(Definition definition, std::shared_ptr<const Snapshot> rows,
                 QPageSize paper = QPageSize(QPageSize::A4));

    const QList<Page>& Pages() const { return pages_; }
    const QPageSize& Paper() const { return paper_; }

    // Sets the device's paper to the report's and draws every page on it.
    void Print(QPagedPaintDevice& device) const;
    // Draws one page with a painter whose coordinates are twips from the sheet's corner.
    void DrawPage(QPainter& painter, int page) const;

private:
    void Layout();
    void StartPage(qint64 row);
    void PlaceBand(const Band& band, qint64 row, Distance top);
    QString Text(qint64 row, const QString& column) const;

    Definition definition_;
    std::shared_ptr<const Snapshot> rows_;
    QPageSize paper_;
    QList<Page> pages_;
};

} // namespace report
