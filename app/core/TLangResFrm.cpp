#include "TLangResFrm.h"

#include "WindowRegistry.h"

using namespace Qt::StringLiterals;

namespace {

// The built-in German texts of Label1 .. Label103.
const QString kTexts[TLangResFrm::EntryCount] = {
    u"Es ist noch kein Laufwerk für den Wechseldatenträger ausgewählt."_s,
    u"Bitte wählen Sie zuerst in den Einstellungen das Laufwerk aus."_s,
    u"Kein Zugriff möglich"_s,
    u"Auf Laufwerk %s: kann nicht zugegriffen werden."_s,
    u"Prüfen Sie, ob sich ein Datenträger in dem Laufwerk befindet."_s,
    u"Die Datenbank wurde beschädigt."_s,
    u"Bitte führen Sie die Reparaturfunktion aus."_s,
    u"Datenbankfehler"_s,
    u"Kundendaten wurden exportiert !"_s,
    u"Kundendaten wurden importiert !"_s,
    u"Kunde bereits vorhanden"_s,
    u"Kunde noch nicht vorhanden, wird neu angelegt"_s,
    u"Loggerbetrieb (Druck)"_s,
    u"Belastungs- und Dichtheitsprüfung (Belastung)"_s,
    u"Belastungs- und Dichtheitsprüfung (Dichtheit)"_s,
    u"Gebrauchsfähigkeitprüfung (Leckmenge)"_s,
    u"Heizungsanlagenprüfung (Belastung)"_s,
    u"Kanalprüfung (Belastungsmessung)"_s,
    u"Trinkwasser, nass (Funktion)"_s,
    u"Trinkwasser, nass (Druck)"_s,
    u"Trinkwasser, nass (erweiterte Druck)"_s,
    u"Trinkwasser, trocken (Dichtheit)"_s,
    u"Trinkwasser, trocken (Belastung)"_s,
    u"Loggerbetrieb Druck / Dauermessung Druck"_s,
    u"Loggerbetrieb (alle Kanäle)"_s,
    u"Flüssiggas (Dichtheit)"_s,
    u"Flüssiggas (Druck)"_s,
    u"Messung ist bereits vorhanden"_s,
    u"Messung ist nicht vorhanden, wird neu angelegt"_s,
    u"Insgesamt %s Kunde(n) neu angelegt"_s,
    u"Insgesamt %s Messung(en) neu angelegt"_s,
    u"Kartendaten werden gelöscht"_s,
    u"Kundennummer"_s,
    u"Name"_s,
    u"Straße"_s,
    u"PLZ / Ort"_s,
    u"Telefon"_s,
    u"Sonstiges"_s,
    u"Messungstyp"_s,
    u"Datum"_s,
    u"Uhrzeit"_s,
    u"Messdauer (Minuten)"_s,
    u"Es sind keine Messdaten auf der Karte vorhanden !"_s,
    u"Daten einlesen"_s,
    u"Importiere Datei %s von %s"_s,
    u"Sollen der Kunde und die diesem Kunden zugeordneten"_s,
    u"Messungen wirklich gelöscht werden ?"_s,
    u"Sicherheitsabfrage"_s,
    u"Sollen die Kunden und die diesen Kunden zugeordneten"_s,
    u"Soll die Messung wirklich gelöscht werden ?"_s,
    u"Sollen die Messungen wirklich gelöscht werden ?"_s,
    u"Vor Übertragung der Kunden werden alle Daten auf"_s,
    u"der Karte in Laufwerk %s: gelöscht. Fortfahren ?"_s,
    u"Kundendaten werden übertragen"_s,
    u"Die Übertragung der Kundendaten ist abgeschlossen."_s,
    u"Sie können die Karte nun entnehmen."_s,
    u"Information"_s,
    u"Kein Datenträger in Laufwerk"_s,
    u"Dauer des Importvorgangs"_s,
    u"Kein Eintrag gefunden."_s,
    u"Lösche Datei %s von %s"_s,
    u"Fehler beim Löschen der Datei"_s,
    u"Fertig !"_s,
    u"Maximal %s Kunden möglich !"_s,
    u"Erzeuge Kunde %s von %s"_s,
    u"Datenbank erfolgreich gelöscht !"_s,
    u"Datenbank nicht erfolgreich gelöscht !"_s,
    u"Messwert"_s,
    u"T1 / °C"_s,
    u"T2 / °C"_s,
    u"dT / °C"_s,
    u"Druck / hPa"_s,
    u"20bar / Bar"_s,
    u"4Pa / Pa"_s,
    u"Flow / m/s"_s,
    u"Daten werden angezeigt..."_s,
    u"Klicken um aktuelle Messung zu übernehmen"_s,
    u"Das Formular kann nicht angezeigt werden."_s,
    u"Es ist kein Programm zur Anzeige von PDF Dokumenten installiert."_s,
    u"Bitte installieren Sie z.B. den kostenlosen Adobe Reader®."_s,
    u"Programm zur Anzeige von PDF Dokumenten nicht gefunden"_s,
    u"PDF wird generiert..."_s,
    u"Die Reparatur der Datenbank kann länger dauern."_s,
    u"Fortfahren ?"_s,
    u"Datenbankreparatur"_s,
    u"Die Reparatur wurde durchgeführt."_s,
    u"Sie müssen das Programm nun neu starten."_s,
    u"Die Komprimierung der Datenbank kann länger dauern."_s,
    u"Datenbankkomprimierung"_s,
    u"Die Komprimierung wurde durchgeführt."_s,
    u"Das Löschen der Tabellen entfernt alle Daten aus der Datenbank."_s,
    u"Tabellen löschen"_s,
    u"Das Löschen der Tabellen wurde durchgeführt."_s,
    u"Diese Funktion erweitert die Datenbank um Kundendatensätze."_s,
    u"Die Daten müssen als Textdatei mit Semikolons getrennt vorliegen."_s,
    u"Die Feldreihenfolge beim Import ist :"_s,
    u"Kundennummer;Kunde1;Kunde2;Kunde3;Kunde4;Kunde5<CR/LF>"_s,
    u"Import von Kundendaten"_s,
    u"Daten auf der Speicherkarte werden gelöscht !"_s,
    u"Fortfahren ?"_s,
    u"Demodaten erzeugen"_s,
    u"Fertig !"_s,
    u"Es können maximal 500 Kunden gespeichert werden."_s,
};

// The entry number of a name "Label<n>", or 0.
int EntryNumber(const QString& entry)
{
    if (!entry.startsWith(u"Label"_s))
        return 0;
    const QString digits = entry.mid(5);
    if (digits.isEmpty() || digits.startsWith(u'0') || digits.startsWith(u'+'))
        return 0;
    bool ok = false;
    const int n = digits.toInt(&ok, 10);
    return ok && n >= 1 && n <= TLangResFrm::EntryCount ? n : 0;
}

} // namespace

TLangResFrm::TLangResFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"LangResFrm"_s);
    setWindowTitle(u"LangResFrm"_s);
    static constexpr QLabel* TLangResFrm::*kMembers[EntryCount] = {
        &TLangResFrm::Label1,   &TLangResFrm::Label2,   &TLangResFrm::Label3,   &TLangResFrm::Label4,
        &TLangResFrm::Label5,   &TLangResFrm::Label6,   &TLangResFrm::Label7,   &TLangResFrm::Label8,
        &TLangResFrm::Label9,   &TLangResFrm::Label10,  &TLangResFrm::Label11,  &TLangResFrm::Label12,
        &TLangResFrm::Label13,  &TLangResFrm::Label14,  &TLangResFrm::Label15,  &TLangResFrm::Label16,
        &TLangResFrm::Label17,  &TLangResFrm::Label18,  &TLangResFrm::Label19,  &TLangResFrm::Label20,
        &TLangResFrm::Label21,  &TLangResFrm::Label22,  &TLangResFrm::Label23,  &TLangResFrm::Label24,
        &TLangResFrm::Label25,  &TLangResFrm::Label26,  &TLangResFrm::Label27,  &TLangResFrm::Label28,
        &TLangResFrm::Label29,  &TLangResFrm::Label30,  &TLangResFrm::Label31,  &TLangResFrm::Label32,
        &TLangResFrm::Label33,  &TLangResFrm::Label34,  &TLangResFrm::Label35,  &TLangResFrm::Label36,
        &TLangResFrm::Label37,  &TLangResFrm::Label38,  &TLangResFrm::Label39,  &TLangResFrm::Label40,
        &TLangResFrm::Label41,  &TLangResFrm::Label42,  &TLangResFrm::Label43,  &TLangResFrm::Label44,
        &TLangResFrm::Label45,  &TLangResFrm::Label46,  &TLangResFrm::Label47,  &TLangResFrm::Label48,
        &TLangResFrm::Label49,  &TLangResFrm::Label50,  &TLangResFrm::Label51,  &TLangResFrm::Label52,
        &TLangResFrm::Label53,  &TLangResFrm::Label54,  &TLangResFrm::Label55,  &TLangResFrm::Label56,
        &TLangResFrm::Label57,  &TLangResFrm::Label58,  &TLangResFrm::Label59,  &TLangResFrm::Label60,
        &TLangResFrm::Label61,  &TLangResFrm::Label62,  &TLangResFrm::Label63,  &TLangResFrm::Label64,
        &TLangResFrm::Label65,  &TLangResFrm::Label66,  &TLangResFrm::Label67,  &TLangResFrm::Label68,
        &TLangResFrm::Label69,  &TLangResFrm::Label70,  &TLangResFrm::Label71,  &TLangResFrm::Label72,
        &TLangResFrm::Label73,  &TLangResFrm::Label74,  &TLangResFrm::Label75,  &TLangResFrm::Label76,
        &TLangResFrm::Label77,  &TLangResFrm::Label78,  &TLangResFrm::Label79,  &TLangResFrm::Label80,
        &TLangResFrm::Label81,  &TLangResFrm::Label82,  &TLangResFrm::Label83,  &TLangResFrm::Label84,
        &TLangResFrm::Label85,  &TLangResFrm::Label86,  &TLangResFrm::Label87,  &TLangResFrm::Label88,
        &TLangResFrm::Label89,  &TLangResFrm::Label90,  &TLangResFrm::Label91,  &TLangResFrm::Label92,
        &TLangResFrm::Label93,  &TLangResFrm::Label94,  &TLangResFrm::Label95,  &TLangResFrm::Label96,
        &TLangResFrm::Label97,  &TLangResFrm::Label98,  &TLangResFrm::Label99,  &TLangResFrm::Label100,
        &TLangResFrm::Label101, &TLangResFrm::Label102, &TLangResFrm::Label103,
    };
    for (int i = 0; i < EntryCount; ++i) {
        auto* label = new QLabel(kTexts[i], this);
        label->setObjectName(u"Label"_s + QString::number(i + 1));
        this->*kMembers[i] = label;
    }
    Windows::Register(this);
}

QString TLangResFrm::DefaultText(const QString& entry)
{
    const int n = EntryNumber(entry);
    return n ? kTexts[n - 1] : QString();
}

QString Msg(const QString& entry)
{
    if (auto* catalogue = Windows::Get<TLangResFrm>(u"LangResFrm"_s)) {
        if (EntryNumber(entry) == 0)
            return {};
        if (auto* label = catalogue->findChild<QLabel*>(entry, Qt::FindDirectChildrenOnly))
            return label->text();
    }
    return TLangResFrm::DefaultText(entry);
}

QString FormatPattern(const QString& pattern, const QStringList& args)
{
    QString out;
    out.reserve(pattern.size() + 16);
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'%' && i + 1 < pattern.size()) {
            const QChar f = pattern[i + 1];
            if (f == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if ((f == u's' || f == u'S') && next < args.size()) {
                out += args[next++];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString MsgF(const QString& entry, const QStringList& args)
{
    return FormatPattern(Msg(entry), args);
}

QString Compose(std::initializer_list<QString> texts)
{
    QString out;
    bool first = true;
    for (const QString& t : texts) {
        if (!first)
            out += u'\r';
        out += t;
        first = false;
    }
    return out;
}
