#include "widgets/DbControls.h"

#include "connection/DataSource.h"
#include "connection/DbError.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QResizeEvent>

namespace {
bool bound(const QPointer<DataSource> &source, const QString &field)
{
    return source && source->dataset() && source->dataset()->isOpen() && source->dataset()->hasField(field);
}
} // namespace

// ---------------------------------------------------------------- DbEdit

DbEdit::DbEdit(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &DbEdit::onTextChanged);
    connect(this, &QLineEdit::textEdited, this, &DbEdit::onTextEdited);
}

void DbEdit::bind(DataSource *source, const QString &field)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_field = field;
    if (source) {
        connect(source, &DataSource::recordChanged, this, &DbEdit::refresh);
        connect(source, &DataSource::fieldChanged, this, &DbEdit::onFieldChanged);
        connect(source, &DataSource::stateChanged, this, &DbEdit::updateReadOnly);
    }
    refresh();
}

void DbEdit::setAlwaysReadOnly(bool on)
{
    m_alwaysReadOnly = on;
    updateReadOnly();
}

static QString withoutTrailingBlanks(QString text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == QLatin1Char(' '))
        --n;
    text.truncate(n);
    return text;
}

void DbEdit::refresh()
{
    m_loading = true;
    if (bound(m_source, m_field)) {
        Dataset *ds = m_source->dataset();
        const DatasetColumn &c = ds->column(m_field);
        setMaxLength(c.isText() && c.size > 0 ? c.size : 32767);
        const QVariant v = ds->value(m_field);
        if (!m_dateFormat.isEmpty() && !v.isNull() && (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate))
            setText(ds->asDateTime(m_field).toString(m_dateFormat));
        else if (c.typeName == QLatin1String("char") || c.typeName == QLatin1String("nchar"))
            // Fixed-width columns come back padded with blanks; the padding is not part of
            // what the user typed (the server pads and compares without it).
            setText(withoutTrailingBlanks(ds->asString(m_field)));
        else
            setText(ds->asString(m_field));
    } else {
        setText(QString());
    }
    m_loading = false;
    updateReadOnly();
}

void DbEdit::onFieldChanged(const QString &name)
{
    if (!m_loading && name.compare(m_field, Qt::CaseInsensitive) == 0)
        refresh();
}

void DbEdit::updateReadOnly()
{
    setReadOnly(m_alwaysReadOnly || !m_source || !m_source->canModify());
}

void DbEdit::onTextChanged(const QString &text)
{
    if (m_loading || m_alwaysReadOnly || !bound(m_source, m_field))
        return;
    // Any change of the text (typed or set by the program) is written while the dataset is
    // in edit or insert state.
    Dataset *ds = m_source->dataset();
    if (!ds->isEditing())
        return;
    m_loading = true;
    ds->setValue(m_field, text);
    m_loading = false;
}

void DbEdit::onTextEdited(const QString &text)
{
    // Typing while automatic editing is on puts the dataset in edit by itself.
    if (m_loading || m_alwaysReadOnly || !bound(m_source, m_field) || m_source->dataset()->isEditing())
        return;
    if (!m_source->beginEdit())
        return;
    m_loading = true;
    m_source->dataset()->setValue(m_field, text);
    m_loading = false;
}

// ---------------------------------------------------------------- DbCheckBox

DbCheckBox::DbCheckBox(QWidget *parent)
    : QCheckBox(parent)
{
}

DbCheckBox::DbCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{
}

void DbCheckBox::bind(DataSource *source, const QString &field)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_field = field;
    if (source) {
        connect(source, &DataSource::recordChanged, this, &DbCheckBox::refresh);
        connect(source, &DataSource::fieldChanged, this, &DbCheckBox::onFieldChanged);
    }
    refresh();
}

void DbCheckBox::refresh()
{
    const bool on = bound(m_source, m_field) && m_source->dataset()->asBoolean(m_field);
    QSignalBlocker block(this);
    setChecked(on);
}

void DbCheckBox::onFieldChanged(const QString &name)
{
    if (name.compare(m_field, Qt::CaseInsensitive) == 0)
        refresh();
}

void DbCheckBox::nextCheckState()
{
    if (!bound(m_source, m_field) || !m_source->beginEdit())
        return;   // not allowed: the box keeps its state
    const bool on = !isChecked();
    m_source->dataset()->setBoolean(m_field, on);
    setChecked(on);
}

// ---------------------------------------------------------------- DbImage

DbImage::DbImage(QWidget *parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::StyledPanel);
    setMinimumSize(64, 48);
}

void DbImage::bind(DataSource *source, const QString &field)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_field = field;
    if (source) {
        connect(source, &DataSource::recordChanged, this, &DbImage::refresh);
        connect(source, &DataSource::fieldChanged, this, &DbImage::onFieldChanged);
    }
    refresh();
}

QByteArray DbImage::pictureData() const
{
    return bound(m_source, m_field) ? m_source->dataset()->asBlob(m_field) : QByteArray();
}

void DbImage::refresh()
{
    m_pixmap = QPixmap();
    const QByteArray data = pictureData();
    if (!data.isEmpty())
        m_pixmap.loadFromData(data);
    showScaled();
}

void DbImage::onFieldChanged(const QString &name)
{
    if (name.compare(m_field, Qt::CaseInsensitive) == 0)
        refresh();
}

void DbImage::showScaled()
{
    if (m_pixmap.isNull()) {
        setPixmap(QPixmap());
        return;
    }
    setPixmap(m_pixmap.scaled(contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void DbImage::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    showScaled();
}

bool DbImage::setPicture(const QImage &image)
{
    if (image.isNull() || !bound(m_source, m_field) || !m_source->beginEdit())
        return false;
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 90))
        return false;
    m_source->dataset()->setBlob(m_field, jpeg);
    return true;
}

bool DbImage::loadFromFile(const QString &path)
{
    QImageReader reader(path);
    const QImage image = reader.read();
    return setPicture(image);
}

bool DbImage::clearPicture()
{
    if (!bound(m_source, m_field) || !m_source->beginEdit())
        return false;
    m_source->dataset()->setNull(m_field);
    return true;
}
