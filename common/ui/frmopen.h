#pragma once

#include "controls.h"

#include <QFrame>
#include <QLabel>
#include <QWidget>

// The splash window that stands in the middle of the screen while a main window loads. It has
// no behaviour of its own; the main window shows it, advances pbOpen and unloads it.
class frmOpen : public QWidget {
    Q_OBJECT
public:
    explicit frmOpen(const QString& productName);

    // Centres the window, shows it and draws it at once.
    void Show();
    void Refresh();

    QFrame* Frame1;
    ProgressBar* pbOpen;
    QLabel* Label1;
    QLabel* Label2;

private:
    void Form_Load();
};

// Places a window of the given outer size in the middle of the screen, as the old forms did:
// a screen smaller than the window gives negative coordinates, used as they are.
void CentreOnScreen(QWidget& window);
