#pragma once

#include <QPointer>
#include <QToolButton>
#include <QWidget>

class DataSource;

// Record navigator: first, prior, next and last buttons over a data source
// (object names "First", "Prior", "Next", "Last"). Errors of the move (a refused post of
// a pending edit) are thrown from the slot's handler to the window's error handling via
// the error() signal.
class DbNavigator : public QWidget
{
    Q_OBJECT
public:
    explicit DbNavigator(QWidget *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }

    QToolButton *button(const QString &name) const;   // "First", "Prior", "Next", "Last"

signals:
    // A move failed; the text is the server's message.
    void error(const QString &message);

private:
    void move(int which);
    void updateButtons();

    QPointer<DataSource> m_source;
    QToolButton *m_buttons[4] = {};
};
