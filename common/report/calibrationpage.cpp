#include "calibrationpage.h"

#include "fonts.h"
#include "pagerenderer.h"

#include <QPagedPaintDevice>
#include <QPainter>

namespace report {

namespace {

constexpr Distance Mm(double mm) {
    return Distance::Millimetres(mm);
}

// Inside the unprintable border of nearly every printer lies nothing but the rulers' edges.
constexpr Distance kRulerEdge = Mm(7);
constexpr Distance kTopRulerFrom = Mm(10), kLeftRulerFrom = Mm(20);
// An album side's worth of tracks gives the crosshairs a label-like height.
constexpr qint64 kTypicalTracks = 20;
constexpr Distance kCrossArm = Mm(4);

const QString kInstructions =
    QStringLiteral("印刷位置の補正ページ (補正をかけずに印刷しています)\n"
                   "目盛りの数字は紙の端からの距離 (mm) "
                   "です。定規で測り、印刷位置の補正に次の値を入れてください。\n"
                   "倍率 (%) = 10000 ÷ (上の目盛りの「20」から「120」までの長さ mm)\n"
                   "横 (mm) = 20 − (紙の左端から上の目盛りの「20」までの長さ mm) × 倍率 ÷ 100\n"
                   "縦 (mm) = 20 − (紙の上端から左の目盛りの「20」までの長さ mm) × 倍率 ÷ 100\n"
                   "十字はラベルの四隅が来るべき位置です。");

QFont Font(double points) {
    QFont font(QString::fromUtf8(kMincho));
    font.setPixelSize(qRound(Distance::Points(points).InTwips()));
    return font;
}

Distance TickLength(int mm) {
    return mm % 10 == 0 ? Mm(5) : mm % 5 == 0 ? Mm(3.5) : Mm(2);
}

// Ticks every millimetre, numbered every ten. along: the ruler's length from the sheet's edge.
void DrawTopRuler(QPainter& painter, Distance along) {
    const double edge = kRulerEdge.InTwips();
    painter.drawLine(QPointF(kTopRulerFrom.InTwips(), edge), QPointF(along.InTwips(), edge));
    for (int mm = int(kTopRulerFrom.InMillimetres()); Mm(mm) <= along; ++mm) {
        const double x = Mm(mm).InTwips();
        painter.drawLine(QPointF(x, edge), QPointF(x, (kRulerEdge + TickLength(mm)).InTwips()));
        if (mm % 10 == 0)
            painter.drawText(QRectF(x - Mm(5).InTwips(), (kRulerEdge + Mm(5.5)).InTwips(),
                                    Mm(10).InTwips(), Mm(4).InTwips()),
                             Qt::AlignHCenter | Qt::AlignTop, QString::number(mm));
    }
}

void DrawLeftRuler(QPainter& painter, Distance along) {
    const double edge = kRulerEdge.InTwips();
    painter.drawLine(QPointF(edge, kLeftRulerFrom.InTwips()), QPointF(edge, along.InTwips()));
    for (int mm = int(kLeftRulerFrom.InMillimetres()); Mm(mm) <= along; ++mm) {
        const double y = Mm(mm).InTwips();
        painter.drawLine(QPointF(edge, y), QPointF((kRulerEdge + TickLength(mm)).InTwips(), y));
        if (mm % 10 == 0)
            painter.drawText(QRectF((kRulerEdge + Mm(5.5)).InTwips(), y - Mm(2).InTwips(),
                                    Mm(10).InTwips(), Mm(4).InTwips()),
                             Qt::AlignLeft | Qt::AlignVCenter, QString::number(mm));
    }
}

void DrawCrosshair(QPainter& painter, QPointF at) {
    const double arm = kCrossArm.InTwips();
    painter.drawLine(at - QPointF(arm, 0), at + QPointF(arm, 0));
    painter.drawLine(at - QPointF(0, arm), at + QPointF(0, arm));
    painter.drawEllipse(at, arm / 4, arm / 4);
}

} // namespace

void PrintCalibrationPage(QPagedPaintDevice& device, const Definition& label) {
    const QRectF sheet = device.pageLayout().fullRect(QPageLayout::Millimeter);
    const Distance width = Mm(sheet.width()), height = Mm(sheet.height());
    const QRectF outline =
        SheetTransform(Calibration()).mapRect(LabelOutline(label, kTypicalTracks));
    PaintPages(device, 1, [&](QPainter& painter, int) {
        painter.setPen(QPen(Qt::black, Distance::Points(0.3).InTwips()));
        painter.setFont(Font(7));
        DrawTopRuler(painter, width - Mm(5));
        DrawLeftRuler(painter, height - Mm(5));
        for (const QPointF corner :
             {outline.topLeft(), outline.topRight(), outline.bottomLeft(), outline.bottomRight()})
            DrawCrosshair(painter, corner);
        painter.setFont(Font(9));
        const double left = Mm(30).InTwips();
        painter.drawText(QRectF(left, outline.bottom() + Mm(12).InTwips(),
                                width.InTwips() - 2 * left, Mm(60).InTwips()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, kInstructions);
    });
}

} // namespace report
