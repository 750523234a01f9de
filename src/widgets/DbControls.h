#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include "connection/DataSource.h"

// A line edit bound to one field. It shows the field of the current row, takes the
// column's width as its maximum length, and is read-only while its data source cannot
// modify. A change of its text (typed, or set by the program) while the dataset is in edit
// or insert state is written to the field.
class DbEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit DbEdit(QWidget *parent = nullptr);

    void bind(DataSource *source, const QString &field);
    DataSource *dataSource() const { return m_source; }
    QString fieldName() const { return m_field; }

    // A read-only edit never writes (display edits such as Mirr15).
    void setAlwaysReadOnly(bool on);

    // Date-time fields are shown with this format (Qt syntax); empty: the default text.
    void setDateTimeFormat(const QString &format) { m_dateFormat = format; refresh(); }

public slots:
    void refresh();

private:
    void onTextChanged(const QString &text);
    void onTextEdited(const QString &text);
    void onFieldChanged(const QString &name);
    void updateReadOnly();

    QPointer<DataSource> m_source;
    QString m_field;
    QString m_dateFormat;
    bool m_loading = false;
    bool m_alwaysReadOnly = false;
};

// A check box bound to a bit field: ticked writes true, unticked false; a null shows
// unticked. A click that the data source does not allow leaves the box as it was.
class DbCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit DbCheckBox(QWidget *parent = nullptr);
    DbCheckBox(const QString &text, QWidget *parent = nullptr);

    void bind(DataSource *source, const QString &field);
    DataSource *dataSource() const { return m_source; }
    QString fieldName() const { return m_field; }

public slots:
    void refresh();

protected:
    void nextCheckState() override;

private:
    void onFieldChanged(const QString &name);

    QPointer<DataSource> m_source;
    QString m_field;
};

// A picture bound to an image field holding a JPEG (or any format Qt reads).
class DbImage : public QLabel
{
    Q_OBJECT
public:
    explicit DbImage(QWidget *parent = nullptr);

    void bind(DataSource *source, const QString &field);
    DataSource *dataSource() const { return m_source; }
    QString fieldName() const { return m_field; }

    // The stored bytes of the current row.
    QByteArray pictureData() const;
    // Writes a picture (stored as JPEG) when the data source allows it; false otherwise.
    bool setPicture(const QImage &image);
    // Reads a picture file and stores it as JPEG; false when not allowed or unreadable.
    bool loadFromFile(const QString &path);
    // Empties the field (null); false when not allowed.
    bool clearPicture();

public slots:
    void refresh();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void onFieldChanged(const QString &name);
    void showScaled();

    QPointer<DataSource> m_source;
    QString m_field;
    QPixmap m_pixmap;
};
