#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The items of the installer's popup menus, as data: every item of each menu in menu order
// (headings, separators and the items without an action included), each installing entry
// with its object, drop text, source of its creation text and CNPJ gate.
namespace installer {

enum class ItemKind {
    Entry, // drops its object, then runs its creation text
    DropOnly, // only drops its object
    Heading, // a caption, no action
    Separator, // "-"
    NoAction, // an entry shown in the menu that does nothing when chosen
};

enum class ObjectKind { None, Trigger, Function, Procedure };

enum class TextSource {
    None,
    Page, // the text of a script page (textName: the page's memo)
    BuiltIn, // a text held by the program, shown nowhere (textName: the object)
};

struct MenuItem
{
    const char *menu; // ItensMenu, TriggerMenu, ProcedureMenu, TriggerMenuTEMP
    const char *name; // the menu item's object name
    const char *caption;
    ItemKind kind;
    const char *object = "";
    ObjectKind objectKind = ObjectKind::None;
    const char *dropText = ""; // sent exactly as it stands, trailing CR included
    TextSource source = TextSource::None;
    const char *textName = "";
    QStringList cnpjs = {}; // empty: no gate; otherwise the CNPJs that may install it
};

// Every item of every menu, menu by menu, each in its menu order.
const QList<MenuItem> &menuItems();
// The items of one menu in order.
QList<MenuItem> menuItems(const QString &menu);
// An item by its object name; nullptr when none.
const MenuItem *menuItem(const QString &name);

// The popup menus in the order of their pages.
QStringList menus();

// One script page: its group (a page of the left page control), tab caption, memo and menu.
struct ScriptPage
{
    const char *group;
    const char *caption;
    const char *memo;
    const char *menu;
};
// The groups in order, then every page in order.
QStringList pageGroups();
const QList<ScriptPage> &scriptPages();

// The gate: true when the entry has no gate or the CNPJ, compared as text unchanged
// (punctuation included), is one of its values.
bool gateAdmits(const MenuItem &item, const QString &cnpj);

// One step of the trigger batch.
struct BatchStep
{
    enum class Kind {
        Entry, // runs the menu item named in `name`
        Install, // drop text, then a built-in creation text
        Drop, // a drop alone
        Create, // a built-in creation text alone, without a drop before it
    };
    Kind kind;
    const char *name; // Entry: menu item; otherwise the object
    const char *dropText = "";
    const char *textName = ""; // built-in text
};
// Steps 3 to 11 of the trigger batch, in order.
const QList<BatchStep> &triggerBatch();

} // namespace installer
