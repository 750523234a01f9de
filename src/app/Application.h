#pragma once

#include <QString>

class QApplication;

// What the program entry sets on the application before it creates the windows.
namespace Application {

// "Administrador de senhas do sistema ORVO": the application's name, the text of its
// taskbar entry (with the desktop entry orvo-senhas.desktop) and of its message boxes.
// Window captions carry their own text only.
QString title();

// Sets the title and loads Qt's own texts (edit menus, file chooser, dialog buttons) in
// Portuguese (Brazil). Returns false, with a warning, when Qt's translation is missing.
bool setUp(QApplication &app);

} // namespace Application
