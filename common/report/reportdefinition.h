#pragma once

#include "distance.h"
#include "tracktable.h"

#include <QList>
#include <QString>
#include <Qt>

// A banded label report as data: what is printed and where, nothing about how.
namespace report {

struct TextField {
    QString name;
    QString column;
    Distance left, top, width, height;
    double points;
    Qt::Alignment alignment;
    bool bold = false;
};

struct Line {
    QString name;
    Distance x1, y1, x2, y2;
    bool dashed = false;
};

struct Band {
    Distance height;
    QList<TextField> fields;
    QList<Line> lines;
};

struct Margins {
    Distance left, top, right, bottom;
};

struct Definition {
    QString name;
    Band pageHeader;
    Band detail;
    Band pageFooter;
    Distance printWidth;
    Margins margins;
    // The ticks at the end of every band mark the label's right edge.
    Distance labelWidth;
};

enum class Label { Md, Cassette };

// The four labels: an MD label and a cassette label for each program.
Definition LabelDefinition(Program program, Label label);

// "MD ラベル" or "カセットラベル", as the user calls it.
QString LabelName(Label label);

} // namespace report
