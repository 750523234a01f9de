#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;
class Connection;
class Prompter;

// The connection-properties dialog (Logon_Form): server, database and user names, the
// connection text made from them, its test connection ServerTESTE, and the ORVO profile
// save. Created hidden once; every showing uses the same instance and field texts.
class LogonForm : public QDialog
{
    Q_OBJECT
public:
    // The ORVO profile lives in profilePath (ORVO.INI in the current directory at creation),
    // section "Quorvel".
    LogonForm(Prompter *prompter, const QString &profilePath, QWidget *parent = nullptr);

    static QString profileSection() { return QStringLiteral("Quorvel"); }
    static QString workstationName() { return QStringLiteral("ORVO-SENHAS"); }

    // The connection text of the edit form for the current fields.
    QString connectionText() const;
    // Profile name shown in the close question (empty: no profile was loaded).
    QString profileName() const { return m_profileName; }
    QString profilePath() const { return m_profilePath; }
    Connection *testConnection() const { return m_serverTeste; }

    bool isModified() const;   // the modified test

public slots:
    void SalvarClick();
    void ServerComboChange();
    void ConectaClick();
    void FormActivate();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void saveProfile();
    void ServerTESTEAfterConnect();
    void ServerTESTEAfterDisconnect();

    Prompter *m_prompter;
    QString m_profilePath;
    QString m_profileName;
    QString m_rememberedBase;
    QComboBox *m_server;
    QComboBox *m_base;
    QLineEdit *m_name;
    QLineEdit *m_password;
    QPlainTextEdit *m_text;
    QToolButton *m_salvar;
    QToolButton *m_conecta;
    QToolButton *m_conImage;
    QToolButton *m_unConImage;
    Connection *m_serverTeste;
};
