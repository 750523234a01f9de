#pragma once

#include <QWidget>

class DataSource;
class DbEdit;
class NumbersEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// Content of the record page "  &Cadastro usuários  ": the current user's identity,
// password and contact data, the purchases and board passwords, the active company, the profile-copy buttons, and
// the inert "Tipos de Acesso" and "Opções" groups. The edits of identity and contact are
// unbound: user maintenance fills them and copies typed text into the record.
class RecordPage : public QWidget
{
    Q_OBJECT
public:
    RecordPage(DataSource *users, DataSource *company, QWidget *parent = nullptr);

    QLineEdit *Registro = nullptr;
    QLineEdit *PasswordEdit = nullptr;
    DbEdit *Mirr41 = nullptr;         // the access password in clear text, hidden at start
    QLineEdit *NameEdit = nullptr;
    QLineEdit *EmailUEdit = nullptr;
    NumbersEdit *FoneU01 = nullptr;
    NumbersEdit *Pager01 = nullptr;
    DbEdit *SenhaCompras = nullptr;
    DbEdit *SenhaDiretoria = nullptr;
    DbEdit *Mirr15 = nullptr;         // Marca of the active company
    DbEdit *Mirr16 = nullptr;         // Razão of the active company
    QTreeWidget *TreeView1 = nullptr;

    // The profile copy: remember the current user, then give its profile to another.
    QPushButton *btnCOPIAR = nullptr;   // "Copia Perfil"
    QPushButton *btnCOLAR = nullptr;    // "Iguala liberação"

    // The three labels whose double click shows or hides Mirr41.
    QLabel *Label4 = nullptr;               // "Sen&ha Acesso:"
    QLabel *LabelSenhaCompras = nullptr;    // "Senha Compras:"
    QLabel *LabelSenhaDiretoria = nullptr;  // "Senha Diretoria:"

private:
    QWidget *buildAccessGroup();
    QWidget *buildOptionsGroup();
};
