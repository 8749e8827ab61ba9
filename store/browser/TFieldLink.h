#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QLineEdit;
class QPlainTextEdit;
class QWidget;
class TField;
class TTable;

// Binds an edit or a memo to one field of a table: the control shows the field of the current row
// and follows the table as it moves; what the user types goes into the field when the row is
// posted (UpdateRecord) or when the control loses the focus. The control takes typing only while
// the table is editing or holds a new row, so a table never starts editing by itself.
class TFieldLink : public QObject
{
    Q_OBJECT
public:
    TFieldLink(QLineEdit* edit, QObject* parent = nullptr);
    TFieldLink(QPlainTextEdit* memo, QObject* parent = nullptr);

    // Binds to a field (nullptr: unbound, the control is empty).
    void Bind(TTable* table, const QString& fieldName);
    TTable* Table() const { return m_table; }
    const QString& FieldName() const { return m_fieldName; }
    QWidget* Control() const;

    // Whether the user may change the field at all (false: the control only shows it).
    void SetWritable(bool writable);
    bool Writable() const { return m_writable; }

    // Shows the field of the current row.
    void Load();
    // Writes the control's text into the field when the user changed it; throws the store's
    // error when the field refuses the text (the row stays in edit mode).
    void UpdateRecord();
    bool Modified() const { return m_modified; }

private:
    void TableStateChanged();
    void TableDataChanged(TField* field);
    void UserEdited();
    void ApplyReadOnly();
    QString ControlText() const;
    void SetControlText(const QString& text);

    QPointer<QLineEdit> m_edit;
    QPointer<QPlainTextEdit> m_memo;
    QPointer<TTable> m_table;
    QString m_fieldName;
    bool m_writable = true;
    bool m_modified = false;
    bool m_loading = false;
    QList<QMetaObject::Connection> m_connections;
};
