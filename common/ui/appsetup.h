#pragma once

class QApplication;

// Japanese button labels in the standard dialogs, a Gothic face for the UI text, and the fonts
// the title lines and labels ask for.
void SetUpApplication(QApplication& app);
