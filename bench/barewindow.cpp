// The least a Qt program can do before its window is on the screen: the floor a program's
// start-up is judged against, beside SQLite's own share.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.resize(760, 540);
    window.show();
    return app.exec();
}
