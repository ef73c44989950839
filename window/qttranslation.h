#pragma once

// Qt's own texts, such as the text boxes' context menu (元に戻す, コピー …),
// in Japanese like the rest of the window, whatever the user's locale.

class QCoreApplication;

// Loads Qt's Japanese translation (qtbase_ja, from Qt's translations folder)
// into the application, for as long as the application lives. When it is
// not installed, Qt's texts stay English and nothing else changes.
void installQtTranslation(QCoreApplication *application);
