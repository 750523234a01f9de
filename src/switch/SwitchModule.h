#pragma once

#include <QObject>

struct Shell;
class DbEdit;
class SwitchPage;

// The application switch over the main window: the page "  Habilitar/desabilitar", the
// hidden state edit Mirr10 on the first page, and their handlers.
class SwitchModule : public QObject
{
    Q_OBJECT
public:
    SwitchModule(Shell &shell, QObject *parent = nullptr);

    SwitchPage *page() const { return m_page; }
    DbEdit *stateEdit() const { return m_Mirr10; }

    // The glyph and hint of Libera follow the text of Mirr10.
    void Mirr10Change();
    void LiberaClick();

private:
    Shell &m_shell;
    SwitchPage *m_page = nullptr;
    DbEdit *m_Mirr10 = nullptr;
};
