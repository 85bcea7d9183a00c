#include "frmopen.h"

#include "fonts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

frmOpen::frmOpen(const QString& productName)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmOpen"));
    setFixedSize(360, 170);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(128, 128, 255));
    setPalette(colours);
    setAutoFillBackground(true);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setGeometry(rect());

    Label2 = new QLabel(productName, Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont product(QString::fromUtf8(kMincho));
    product.setPointSizeF(21.75);
    product.setBold(true);
    Label2->setFont(product);

    Label1 = new QLabel(QStringLiteral("Ver 6.0"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont version(QString::fromUtf8(kTimes));
    version.setPointSize(12);
    version.setBold(true);
    Label1->setFont(version);

    pbOpen = new ProgressBar(Frame1);
    pbOpen->setObjectName(QStringLiteral("pbOpen"));
    pbOpen->setRange(0, 100);
    pbOpen->setValue(0);
    pbOpen->setTextVisible(false);

    auto* layout = new QVBoxLayout(Frame1);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->addWidget(Label2, 0, Qt::AlignHCenter);
    layout->addWidget(Label1, 0, Qt::AlignHCenter);
    layout->addStretch();
    layout->addWidget(pbOpen);
}

void frmOpen::Form_Load() {
    CentreOnScreen(*this);
    Refresh();
}

void frmOpen::Show() {
    Form_Load();
    show();
}

void frmOpen::Refresh() {
    repaint();
    // The event loop does not run while the main window loads; let the window system map and
    // draw the splash now.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize outer = window.frameGeometry().size();
    const double top = screen->geometry().height() / 2.0 - outer.height() / 2.0;
    const double left = screen->geometry().width() / 2.0 - outer.width() / 2.0;
    window.move(int(left), int(top));
}
