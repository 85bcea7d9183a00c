#include "appsetup.h"

#include "fonts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

void SetUpApplication(QApplication& app) {
    MapFonts();
    // Without a Gothic face installed and preferred, fontconfig answers Japanese UI text with the
    // only Japanese font it knows, Mincho, which reads as print rather than as a control.
    QFont ui = QApplication::font();
    ui.setFamilies({QStringLiteral("IPAPGothic"), ui.family()});
    QApplication::setFont(ui);
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

QString UserDocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QSettings ProgramSettings(Program program) {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("mdcatalogue"),
                     tracktable::ProgramName(program));
}
