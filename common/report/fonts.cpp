#include "fonts.h"

#include <QFont>
#include <QString>

void MapFonts() {
    QFont::insertSubstitution(QString::fromUtf8(kMincho), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QString::fromUtf8(kTimes), QStringLiteral("Liberation Serif"));
}
