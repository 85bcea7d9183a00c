#pragma once

#include "tracktable.h"

#include <QSettings>
#include <QString>

class QApplication;

// Japanese button labels in the standard dialogs, a Gothic face for the UI text, and the fonts
// the title lines and labels ask for.
void SetUpApplication(QApplication& app);

// Where a file the user saves is first proposed: the documents folder, or the home folder where
// there is none yet. A file dialog given a folder that does not exist opens in the current one,
// which for a program started from its desktop entry is the program's own folder.
QString UserDocumentsFolder();

// The user's preferences for one program: where its window was left, what it last chose.
QSettings ProgramSettings(Program program);
