#include "reportdefinition.h"

namespace report {

namespace {

constexpr Distance kPrintWidth = 9360_tw;
constexpr Distance kInch = 1440_tw;
constexpr Distance kMdWidth = 3930_tw;
constexpr Distance kCassetteWidth = 5528_tw;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignTop;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignTop;

// Small margins at the left and top edges put the label near the top-left corner of the sheet.
Margins CornerMargins(Distance left, Distance top) {
    return {left, top, kInch, kInch};
}

Line Tick(const QString& name, Distance x, Distance y1, Distance y2) {
    return {name, x, y1, x, y2};
}

Line Rule(const QString& name, Distance x1, Distance x2, Distance y, bool dashed = false) {
    return {name, x1, y, x2, y, dashed};
}

Definition CaldrinMd() {
    return {QStringLiteral("ActiveReport1"),
            {360_tw,
             {{"Field1", "アルバム名", 0_tw, 0_tw, 2409_tw, 283_tw, 10, kLeft},
              {"Field2", "アーチスト名", 2409_tw, 0_tw, 1418_tw, 283_tw, 10, kLeft}},
             {Tick("Line1", 3930_tw, 30_tw, 50_tw), Rule("Line4", 100_tw, 3800_tw, 283_tw)}},
            {165_tw,
             {{"Field3", "曲番", 0_tw, 0_tw, 283_tw, 283_tw, 8, kRight},
              {"Field4", "曲名", 425_tw, 0_tw, 3402_tw, 283_tw, 8, kLeft}},
             {Tick("Line2", 3930_tw, 45_tw, 60_tw)}},
            {360_tw, {}, {}},
            kPrintWidth,
            CornerMargins(80_tw, 200_tw),
            kMdWidth};
}

Definition CaldrinCassette() {
    return {
        QStringLiteral("ActiveReport2"),
        {515_tw,
         {{"Field1", "アルバム名", 0_tw, 0_tw, 2976_tw, 283_tw, 12, kLeft},
          {"Field2", "アーチスト名", 2976_tw, 0_tw, 2268_tw, 283_tw, 12, kLeft}},
         {Tick("Line3", 5528_tw, 140_tw, 160_tw), Rule("Line5", 100_tw, 5386_tw, 440_tw)}},
        {225_tw,
         {{"Field3", "曲番", 0_tw, 0_tw, 283_tw, 283_tw, 9, kRight},
          {"Field4", "曲名", 425_tw, 0_tw, 4394_tw, 283_tw, 9, kLeft}},
         {Rule("Line2", 100_tw, 5386_tw, 215_tw, true), Tick("Line4", 5528_tw, 130_tw, 142_tw)}},
        {360_tw, {}, {}},
        kPrintWidth,
        CornerMargins(200_tw, 150_tw),
        kCassetteWidth};
}

Definition TrensolyMd() {
    return {QStringLiteral("ActiveReport1"),
            {435_tw,
             {{"Field4", "ＭＤ番号", 1425_tw, 45_tw, 1545_tw, 255_tw, 12, kCentre, true}},
             {Tick("Line3", 3930_tw, 30_tw, 50_tw), Rule("Line4", 210_tw, 3680_tw, 405_tw)}},
            {180_tw,
             {{"Field1", "曲番", 0_tw, 0_tw, 283_tw, 200_tw, 8, kRight},
              {"Field2", "曲名", 285_tw, 0_tw, 2085_tw, 195_tw, 8, kLeft},
              {"Field3", "アーチスト名", 2385_tw, 15_tw, 1500_tw, 195_tw, 8, kLeft}},
             {Tick("Line2", 3930_tw, 45_tw, 60_tw)}},
            {300_tw, {}, {}},
            kPrintWidth,
            CornerMargins(80_tw, 300_tw),
            kMdWidth};
}

Definition TrensolyCassette() {
    return {
        QStringLiteral("ActiveReport2"),
        {405_tw,
         {{"Field4", "ＭＤ番号", 1276_tw, 0_tw, 2976_tw, 283_tw, 16, kCentre, true}},
         {Tick("Line3", 5528_tw, 142_tw, 160_tw), Rule("Line5", 100_tw, 5300_tw, 350_tw)}},
        {225_tw,
         {{"Field1", "曲番", 0_tw, 0_tw, 283_tw, 283_tw, 9, kRight},
          {"Field2", "曲名", 283_tw, 0_tw, 2977_tw, 283_tw, 9, kLeft},
          {"Field3", "アーチスト名", 3260_tw, 0_tw, 1984_tw, 283_tw, 9, kLeft}},
         {Rule("Line2", 100_tw, 5300_tw, 210_tw, true), Tick("Line4", 5528_tw, 130_tw, 142_tw)}},
        {435_tw, {}, {}},
        kPrintWidth,
        CornerMargins(200_tw, 150_tw),
        kCassetteWidth};
}

} // namespace

Definition LabelDefinition(Program program, Label label) {
    if (program == Program::Caldrin)
        return label == Label::Md ? CaldrinMd() : CaldrinCassette();
    return label == Label::Md ? TrensolyMd() : TrensolyCassette();
}

QString LabelName(Label label) {
    return label == Label::Md ? QStringLiteral("MD ラベル") : QStringLiteral("カセットラベル");
}

} // namespace report
