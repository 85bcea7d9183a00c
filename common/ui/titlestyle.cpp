#include "titlestyle.h"

#include <QLabel>

bool IsSlanted(const QString& flag) {
    return flag == QLatin1String("Y");
}

void ApplyTitleStyle(QLabel& label, const QString& flag) {
    QFont font = label.font();
    font.setBold(true);
    font.setItalic(IsSlanted(flag));
    label.setFont(font);
}
