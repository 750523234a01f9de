#pragma once

#include "users/FlagString.h"

#include <QList>
#include <QMap>
#include <QObject>

class DataSource;
class Dataset;
class OptionCombo;
class QCheckBox;

// The boxes of one module flag string (purchases, sales or quality) over the current user
// of the user list: load them from the stored string, enable them by the lock state, and
// rebuild the string from them into the record.
class ModuleFlagBoxes : public QObject
{
    Q_OBJECT
public:
    // `silent` positions are boxes whose click does not rebuild the string (the purchases
    // separator); their state still enters the next rebuild.
    ModuleFlagBoxes(const FlagLayout &layout, const QMap<int, QCheckBox *> &boxes, OptionCombo *option,
                    const QList<int> &silent, DataSource *users, QObject *parent = nullptr);

    const FlagLayout &layout() const { return m_layout; }

    // Shows the current user's string: ticks the positions holding "S", chooses the
    // option item of position 21. Never edits the record.
    void load();
    // Enables every box and the option combo box while the list is unlocked.
    void setStatus();
    // Writes the string built from the boxes into the record (puts it in edit); nothing
    // while the list is locked or no user is current. Throws DbError from the dataset.
    void update();
    // The option's drop-down list closed: position 3 follows whether an item is chosen,
    // then the string is rebuilt.
    void optionClosed();

    // The 30 characters the boxes stand for now (position 3 unticked clears the option).
    QString currentFlags();

signals:
    // A click or close-up asked for a rebuild; the owner runs update() under its error
    // handling.
    void updateRequested();
    void optionCloseUpRequested();

private:
    Dataset *dataset() const;

    FlagLayout m_layout;
    QMap<int, QCheckBox *> m_boxes;
    OptionCombo *m_option;
    DataSource *m_users;
};
