#pragma once

#include <initializer_list>
#include <QLabel>
#include <QString>
#include <QStringList>
#include <QWidget>

// The message catalogue: every message text of the program, and a few column titles and axis
// captions, as the labels of one never-shown window. The labels are translated like any other
// window's captions, so a message fetched by entry name is always in the current language.
class TLangResFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TLangResFrm(QWidget* parent = nullptr);

    // The number of entries, Label1 .. Label103.
    static constexpr int EntryCount = 103;
    // The built-in German text of an entry ("Label4"); empty for an unknown name.
    static QString DefaultText(const QString& entry);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label12;
    QLabel* Label13;
    QLabel* Label14;
    QLabel* Label15;
    QLabel* Label16;
    QLabel* Label17;
    QLabel* Label18;
    QLabel* Label19;
    QLabel* Label20;
    QLabel* Label21;
    QLabel* Label22;
    QLabel* Label23;
    QLabel* Label24;
    QLabel* Label25;
    QLabel* Label26;
    QLabel* Label27;
    QLabel* Label28;
    QLabel* Label29;
    QLabel* Label30;
    QLabel* Label31;
    QLabel* Label32;
    QLabel* Label33;
    QLabel* Label34;
    QLabel* Label35;
    QLabel* Label36;
    QLabel* Label37;
    QLabel* Label38;
    QLabel* Label39;
    QLabel* Label40;
    QLabel* Label41;
    QLabel* Label42;
    QLabel* Label43;
    QLabel* Label44;
    QLabel* Label45;
    QLabel* Label46;
    QLabel* Label47;
    QLabel* Label48;
    QLabel* Label49;
    QLabel* Label50;
    QLabel* Label51;
    QLabel* Label52;
    QLabel* Label53;
    QLabel* Label54;
    QLabel* Label55;
    QLabel* Label56;
    QLabel* Label57;
    QLabel* Label58;
    QLabel* Label59;
    QLabel* Label60;
    QLabel* Label61;
    QLabel* Label62;
    QLabel* Label63;
    QLabel* Label64;
    QLabel* Label65;
    QLabel* Label66;
    QLabel* Label67;
    QLabel* Label68;
    QLabel* Label69;
    QLabel* Label70;
    QLabel* Label71;
    QLabel* Label72;
    QLabel* Label73;
    QLabel* Label74;
    QLabel* Label75;
    QLabel* Label76;
    QLabel* Label77;
    QLabel* Label78;
    QLabel* Label79;
    QLabel* Label80;
    QLabel* Label81;
    QLabel* Label82;
    QLabel* Label83;
    QLabel* Label84;
    QLabel* Label85;
    QLabel* Label86;
    QLabel* Label87;
    QLabel* Label88;
    QLabel* Label89;
    QLabel* Label90;
    QLabel* Label91;
    QLabel* Label92;
    QLabel* Label93;
    QLabel* Label94;
    QLabel* Label95;
    QLabel* Label96;
    QLabel* Label97;
    QLabel* Label98;
    QLabel* Label99;
    QLabel* Label100;
    QLabel* Label101;
    QLabel* Label102;
    QLabel* Label103;
};

// The current text of a catalogue entry ("Label4"): the catalogue window's label when the window
// exists, else the built-in German text. Empty for an unknown entry.
QString Msg(const QString& entry);
// The entry's text with each "%s" filled with the next argument, in order ("%%" gives "%").
// A "%s" without an argument left stays as it is.
QString MsgF(const QString& entry, const QStringList& args);
// The same filling for a pattern text.
QString FormatPattern(const QString& pattern, const QStringList& args);
// Several texts of one message joined with a single CR.
QString Compose(std::initializer_list<QString> texts);
