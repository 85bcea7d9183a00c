#include "appsetup.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

void SetUpApplication(QApplication& app) {
    QFont::insertSubstitution(QString::fromUtf8(kMincho), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QString::fromUtf8(kTimes), QStringLiteral("Liberation Serif"));
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}
