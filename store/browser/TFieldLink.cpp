#include "TFieldLink.h"

#include "ErrorGuard.h"
#include "TTable.h"

#include <QLineEdit>
#include <QPlainTextEdit>

TFieldLink::TFieldLink(QLineEdit* edit, QObject* parent) : QObject(parent), m_edit(edit)
{
    connect(edit, &QLineEdit::textEdited, this, &TFieldLink::UserEdited);
    connect(edit, &QLineEdit::editingFinished, this, [this] {
        if (m_modified)
            Guarded(Control(), [&] { UpdateRecord(); });
    });
    ApplyReadOnly();
}

TFieldLink::TFieldLink(QPlainTextEdit* memo, QObject* parent) : QObject(parent), m_memo(memo)
{
    connect(memo, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_loading)
            UserEdited();
    });
    ApplyReadOnly();
}

QWidget* TFieldLink::Control() const
{
    if (m_edit)
        return m_edit;
    return m_memo;
}

void TFieldLink::Bind(TTable* table, const QString& fieldName)
{
    for (const auto& c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_table = table;
    m_fieldName = fieldName;
    if (table) {
        m_connections << connect(table, &TTable::StateChange, this, &TFieldLink::TableStateChanged);
        m_connections << connect(table, &TTable::DataChange, this, &TFieldLink::TableDataChanged);
        m_connections << connect(table, &TTable::AfterOpen, this, &TFieldLink::Load);
        m_connections << connect(table, &TTable::BeforeClose, this, [this] { SetControlText({}); });
    }
    Load();
}

void TFieldLink::SetWritable(bool writable)
{
    m_writable = writable;
    ApplyReadOnly();
}

void TFieldLink::Load()
{
    m_modified = false;
    QString text;
    if (m_table && m_table->Active())
        if (TField* field = m_table->FindField(m_fieldName))
            text = m_memo ? field->AsString() : field->DisplayText();
    SetControlText(text);
    ApplyReadOnly();
}

void TFieldLink::UpdateRecord()
{
    if (!m_modified || !m_table || !m_table->Active())
        return;
    const TDataSetState state = m_table->State();
    if (state != TDataSetState::Edit && state != TDataSetState::Insert)
        return;
    m_table->FieldByName(m_fieldName).SetAsString(ControlText());
    m_modified = false;
}

void TFieldLink::TableStateChanged()
{
    // Leaving edit mode (post or cancel) shows what the row now holds.
    const TDataSetState state = m_table ? m_table->State() : TDataSetState::Inactive;
    if (state != TDataSetState::Edit && state != TDataSetState::Insert)
        Load();
    ApplyReadOnly();
}

void TFieldLink::TableDataChanged(TField* field)
{
    // A change of our own field while the user types in the control keeps the typed text.
    if (field && field->FieldName().compare(m_fieldName, Qt::CaseInsensitive) != 0)
        return;
    if (field && m_modified)
        return;
    Load();
}

void TFieldLink::UserEdited()
{
    m_modified = true;
}

void TFieldLink::ApplyReadOnly()
{
    bool editing = false;
    if (m_table && m_table->Active()) {
        const TDataSetState state = m_table->State();
        editing = state == TDataSetState::Edit || state == TDataSetState::Insert;
    }
    const bool readOnly = !(m_writable && editing);
    if (m_edit)
        m_edit->setReadOnly(readOnly);
    if (m_memo)
        m_memo->setReadOnly(readOnly);
}

QString TFieldLink::ControlText() const
{
    if (m_edit)
        return m_edit->text();
    if (m_memo)
        return m_memo->toPlainText();
    return {};
}

void TFieldLink::SetControlText(const QString& text)
{
    m_loading = true;
    if (m_edit) {
        m_edit->setText(text);
        m_edit->setCursorPosition(0);
    }
    if (m_memo && m_memo->toPlainText() != text)
        m_memo->setPlainText(text);
    m_loading = false;
}
