#pragma once

#include <QObject>
#include <QString>

#include "users/ProfileCopy.h"

struct Shell;
class ModuleFlagBoxes;
class QLineEdit;
class RecordPage;
class RightsPage;

// User maintenance over the main window: the lock, the search by registration, the copy of
// typed text into the current user, create, save and delete, the refresh of the record
// page on every change of the current user, and the module flag strings. Handlers carry
// the names of the events that start them.
class UsersModule : public QObject
{
    Q_OBJECT
public:
    UsersModule(Shell &shell, QObject *parent = nullptr);

    RecordPage *recordPage() const { return m_record; }
    RightsPage *rightsPage() const { return m_rights; }

    // The current user's Registro; empty when the list is closed or empty.
    QString currentRegistration() const;
    bool isUnlocked() const;

    // Toolbar.
    void ULockClick();
    void IncluiUSERClick();
    void SalvaRECClick();
    void ExcluiFORClick();

    // Record page.
    void RegistroKeyUp(int key);
    void PasswordEditKeyUp();
    void NameEditKeyUp();
    void EmailUEditKeyUp();
    void FoneU01KeyUp();
    void Pager01KeyUp();
    void Label4DblClick();

    // Profile copy (record page) and the insert script (page " Exportar Usuários ").
    void btnCOPIARClick();
    void btnCOLARClick();
    void ImportaKDXCClick();
    const ProfileCopy &profileCopy() const { return m_profileCopy; }
    // A connection was made: the profile source is forgotten when it is another plant's.
    void SERVER1AfterConnect();

    // Events of the user list.
    void SenhaSQLAfterScroll();
    void SenhaSQLAfterEdit();
    void SenhaSQLAfterPost();
    void SenhaSQLAfterClose();

    // Module flag strings.
    void SetaComprasClick();
    void SetaVendasClick();
    void SetaQualidadeClick();
    void StatusComprasClick();
    void StatusVendasClick();
    void StatusQualidadeClick();
    void UpdateComprasClick();
    void UpdateVendasClick();
    void UpdateQualidadeClick();
    void Compras21CloseUp();
    void Vendas21CloseUp();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void copyIntoRecord(const QString &field, const QString &text);
    QString currentPlant() const;
    void rereadUser(const QString &idUser);
    void updateBoundControls();
    void connectMenu(const char *name, void (UsersModule::*handler)());

    Shell &m_shell;
    RecordPage *m_record = nullptr;
    RightsPage *m_rights = nullptr;
    ModuleFlagBoxes *m_compras = nullptr;
    ModuleFlagBoxes *m_vendas = nullptr;
    ModuleFlagBoxes *m_qualidade = nullptr;
    // Kept for the whole run, across reconnections.
    ProfileCopy m_profileCopy;
};
