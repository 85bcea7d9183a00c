#include "appsetup.h"
#include "frmcaldrin.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    SetUpApplication(app);
    frmCaldrin window(QCoreApplication::applicationDirPath());
    if (!window.Form_Load())
        return 1;
    window.show();
    return app.exec();
}
