#include "columnname.h"

QString HalfWidth(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFEE0));
        else if (u == 0x3000)
            c = QChar(u' ');
    }
    return out;
}

bool SameColumnName(const QString& a, const QString& b) {
    return HalfWidth(a).compare(HalfWidth(b), Qt::CaseInsensitive) == 0;
}

int FindColumn(const QStringList& columns, const QString& name) {
    for (int i = 0; i < columns.size(); ++i) {
        if (SameColumnName(columns[i], name))
            return i;
    }
    return -1;
}
