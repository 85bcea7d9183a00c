#pragma once

#include <QString>
#include <QStringList>

// Full-width Latin letters, digits, signs and the ideographic space as their ASCII forms.
QString HalfWidth(const QString& text);

// Column names match without regard to the width of Latin letters or their case, so a report
// field bound to "ＭＤ番号" finds the column MD番号.
bool SameColumnName(const QString& a, const QString& b);

// Index of the column called name, or -1.
int FindColumn(const QStringList& columns, const QString& name);
