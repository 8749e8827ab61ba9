#include "TProtocolFrm.h"

#include "Platform.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>

using namespace Qt::StringLiterals;

TProtocolFrm::TProtocolFrm(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(u"ProtocolFrm"_s);
    setWindowTitle(u"Protokoll Gerätedaten"_s);
    setFixedSize(560, 380);

    RichEdit = new QPlainTextEdit(this);
    RichEdit->setObjectName(u"RichEdit"_s);
    RichEdit->setReadOnly(true);
    RichEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit->setGeometry(8, 8, 544, 320);

    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName(u"CheckBox1"_s);
    CheckBox1->setGeometry(8, 344, 18, 18);

    Label1 = new QLabel(u" Protokoll nicht mehr anzeigen"_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setGeometry(26, 344, 300, 18);
    Label1->setBuddy(CheckBox1);

    OKBtn = new QPushButton(u"OK"_s, this);
    OKBtn->setObjectName(u"OKBtn"_s);
    OKBtn->setGeometry(464, 340, 88, 28);

    connect(OKBtn, &QPushButton::clicked, this, &TProtocolFrm::OKBtnClick);
    connect(CheckBox1, &QCheckBox::clicked, this, &TProtocolFrm::CheckBox1Click);

    Windows::Register(this);
}

void TProtocolFrm::AppendProtocolLine(const QString& text)
{
    if (isHidden()) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        show();
        RichEdit->clear();
    }
    const QDateTime now = Platform::Now();
    QString line = FormatDate(now.date()) + u' ' + FormatTime(now.time()) + u' ' + text;
    // The text area keeps its lines as paragraphs: CR LF inside the text starts a new one.
    line.replace(u"\r\n"_s, u"\n"_s);
    line.replace(u'\r', u'\n');
    QTextCursor cursor = RichEdit->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line + u'\n');
    RichEdit->setTextCursor(cursor);
    RichEdit->ensureCursorVisible();
}

void TProtocolFrm::OKBtnClick()
{
    hide();
}

void TProtocolFrm::CheckBox1Click()
{
    NoProt = CheckBox1->isChecked();
}
