#!/usr/bin/env python3
"""Writes the language files that go with the program (resources/lang/Language.DEU, .ENG, .FRA).

The program fills every missing key of a language file with the text it shows at that moment, so a
run with a language code of no file at all writes a file with every key of the nine language-aware
windows and the built-in German texts. That file is the base here:

    scripts/language-files.py BASE-FILE

makes the German file from it (with the German window titles) and the English and French files from
the translations below. A German text without a translation stops the script with a list of what is
missing, so that a new control cannot ship untranslated.
"""

import re
import sys
from pathlib import Path

# Window titles: German, English, French.
TITLES = {
    "MainFrm": ("TQ5 Report", "TQ5 Report", "TQ5 Report"),
    "LangResFrm": ("Meldungstexte", "Message texts", "Textes des messages"),
    "LangSettingsFrm": ("Sprachauswahl", "Language selection", "Choix de la langue"),
    "MeasurementDataFrm": ("Verlauf", "Curve", "Courbe"),
    "ProtocolFrm": ("Protokoll Gerätedaten", "Instrument data log", "Journal des données de l'appareil"),
    "ReportMasterFrm": ("Formular", "Form", "Formulaire"),
    "SearchDlgFrm": ("Suchen", "Search", "Recherche"),
    "SettingsFrm": ("Programmeinstellungen ", "Program settings", "Paramètres du programme"),
    "WaitFrm": ("Bitte warten", "Please wait", "Veuillez patienter"),
}

# Texts that belong to one key only, where the German text alone does not decide the translation.
BY_KEY = {
    # The placeholder of a report chart breaks its text into two lines at "#".
    "LangResFrm.Label77": ("Click here to take over #the current test",
                           "Cliquer ici pour reprendre #la mesure actuelle"),
    # The button is narrower than the message title of the same German text.
    "SettingsFrm.Button8": ("Create demo data", "Données de démo"),
}

# German text -> (English, French). Leading and trailing blanks do not count: INI values are read
# without them.
TEXTS = {
    # Messages
    "Es ist noch kein Laufwerk für den Wechseldatenträger ausgewählt.":
        ("No drive has been selected for the memory card yet.",
         "Aucun lecteur n'a encore été choisi pour la carte mémoire."),
    "Bitte wählen Sie zuerst in den Einstellungen das Laufwerk aus.":
        ("Please select the drive in the settings first.",
         "Veuillez d'abord choisir le lecteur dans les paramètres."),
    "Kein Zugriff möglich": ("No access possible", "Accès impossible"),
    "Auf Laufwerk %s: kann nicht zugegriffen werden.":
        ("Drive %s: cannot be accessed.", "Le lecteur %s: n'est pas accessible."),
    "Prüfen Sie, ob sich ein Datenträger in dem Laufwerk befindet.":
        ("Please check that a memory card is inserted in the drive.",
         "Vérifiez qu'une carte mémoire est insérée dans le lecteur."),
    "Die Datenbank wurde beschädigt.": ("The database has been damaged.", "La base de données est endommagée."),
    "Bitte führen Sie die Reparaturfunktion aus.":
        ("Please run the repair function.", "Veuillez lancer la fonction de réparation."),
    "Datenbankfehler": ("Database error", "Erreur de base de données"),
    "Kundendaten wurden exportiert !": ("Customer data exported!",
                                         "Les données clients ont été exportées !"),
    "Kundendaten wurden importiert !": ("Customer data imported!",
                                         "Les données clients ont été importées !"),
    "Kunde bereits vorhanden": ("Customer already exists", "Client déjà enregistré"),
    "Kunde noch nicht vorhanden, wird neu angelegt":
        ("Customer not found, a new customer is created", "Client inconnu, un nouveau client est créé"),
    "Loggerbetrieb (Druck)": ("Logger mode (pressure)", "Mode enregistreur (pression)"),
    "Belastungs- und Dichtheitsprüfung (Belastung)":
        ("Load and tightness test (load)", "Essai de résistance mécanique et d'étanchéité (résistance)"),
    "Belastungs- und Dichtheitsprüfung (Dichtheit)":
        ("Load and tightness test (tightness)", "Essai de résistance mécanique et d'étanchéité (étanchéité)"),
    "Gebrauchsfähigkeitprüfung (Leckmenge)":
        ("Usability test (leakage rate)", "Essai d'aptitude à l'emploi (taux de fuite)"),
    "Heizungsanlagenprüfung (Belastung)":
        ("Heating plant test (load)", "Essai d'installation de chauffage (mise en pression)"),
    "Kanalprüfung (Belastungsmessung)": ("Sewer test (load measurement)", "Essai de canalisation (mise en pression)"),
    "Trinkwasser, nass (Funktion)": ("Drinking water, wet (function)", "Eau potable, humide (fonctionnement)"),
    "Trinkwasser, nass (Druck)": ("Drinking water, wet (pressure)", "Eau potable, humide (pression)"),
    "Trinkwasser, nass (erweiterte Druck)":
        ("Drinking water, wet (extended pressure)", "Eau potable, humide (pression étendue)"),
    "Trinkwasser, trocken (Dichtheit)": ("Drinking water, dry (tightness)", "Eau potable, sec (étanchéité)"),
    "Trinkwasser, trocken (Belastung)": ("Drinking water, dry (load)", "Eau potable, sec (résistance)"),
    "Loggerbetrieb Druck / Dauermessung Druck":
        ("Logger mode pressure / continuous pressure measurement",
         "Mode enregistreur pression / mesure continue de la pression"),
    "Loggerbetrieb (alle Kanäle)": ("Logger mode (all channels)", "Mode enregistreur (toutes les voies)"),
    "Flüssiggas (Dichtheit)": ("Liquid gas (tightness)", "Gaz liquéfié (étanchéité)"),
    "Flüssiggas (Druck)": ("Liquid gas (pressure)", "Gaz liquéfié (pression)"),
    "Messung ist bereits vorhanden": ("Test already exists", "Mesure déjà enregistrée"),
    "Messung ist nicht vorhanden, wird neu angelegt":
        ("Test not found, a new test is created", "Mesure inconnue, une nouvelle mesure est créée"),
    "Insgesamt %s Kunde(n) neu angelegt": ("%s new customer(s) created in total",
                                            "%s nouveau(x) client(s) créé(s) au total"),
    "Insgesamt %s Messung(en) neu angelegt": ("%s new test(s) created in total",
                                               "%s nouvelle(s) mesure(s) créée(s) au total"),
    "Kartendaten werden gelöscht": ("Deleting the card data", "Suppression des données de la carte"),
    "Kundennummer": ("Customer number", "Numéro de client"),
    "Name": ("Name", "Nom"),
    "Straße": ("Street", "Rue"),
    "PLZ / Ort": ("Postcode / Town", "Code postal / Ville"),
    "Telefon": ("Telephone", "Téléphone"),
    "Sonstiges": ("Other", "Divers"),
    "Messungstyp": ("Test type", "Type de mesure"),
    "Datum": ("Date", "Date"),
    "Uhrzeit": ("Time", "Heure"),
    "Messdauer (Minuten)": ("Duration (minutes)", "Durée (minutes)"),
    "Es sind keine Messdaten auf der Karte vorhanden !":
        ("There are no test data on the card!", "La carte ne contient aucune donnée de mesure !"),
    "Daten einlesen": ("Reading data", "Lecture des données"),
    "Importiere Datei %s von %s": ("Importing file %s of %s", "Importation du fichier %s sur %s"),
    "Sollen der Kunde und die diesem Kunden zugeordneten":
        ("Do you really want to delete this customer and the", "Voulez-vous vraiment supprimer ce client et les"),
    "Messungen wirklich gelöscht werden ?": ("tests that belong to it?", "mesures qui s'y rapportent ?"),
    "Sicherheitsabfrage": ("Please confirm", "Confirmation"),
    "Sollen die Kunden und die diesen Kunden zugeordneten":
        ("Do you really want to delete these customers and the",
         "Voulez-vous vraiment supprimer ces clients et les"),
    "Soll die Messung wirklich gelöscht werden ?":
        ("Do you really want to delete this test?", "Voulez-vous vraiment supprimer cette mesure ?"),
    "Sollen die Messungen wirklich gelöscht werden ?":
        ("Do you really want to delete these tests?", "Voulez-vous vraiment supprimer ces mesures ?"),
    "Vor Übertragung der Kunden werden alle Daten auf":
        ("Before the customers are transferred, all data on",
         "Avant le transfert des clients, toutes les données"),
    "der Karte in Laufwerk %s: gelöscht. Fortfahren ?":
        ("the card in drive %s: are deleted. Continue?",
         "de la carte du lecteur %s: seront supprimées. Continuer ?"),
    "Kundendaten werden übertragen": ("Transferring the customer data", "Transfert des données clients"),
    "Die Übertragung der Kundendaten ist abgeschlossen.":
        ("The transfer of the customer data is complete.", "Le transfert des données clients est terminé."),
    "Sie können die Karte nun entnehmen.": ("You can now remove the card.", "Vous pouvez maintenant retirer la carte."),
    "Information": ("Information", "Information"),
    "Kein Datenträger in Laufwerk": ("No card in drive", "Aucune carte dans le lecteur"),
    "Dauer des Importvorgangs": ("Duration of the import", "Durée de l'importation"),
    "Kein Eintrag gefunden.": ("No entry found.", "Aucune entrée trouvée."),
    "Lösche Datei %s von %s": ("Deleting file %s of %s", "Suppression du fichier %s sur %s"),
    "Fehler beim Löschen der Datei": ("Error while deleting the file", "Erreur lors de la suppression du fichier"),
    "Fertig !": ("Done!", "Terminé !"),
    "Maximal %s Kunden möglich !": ("At most %s customers possible!", "%s clients au maximum !"),
    "Erzeuge Kunde %s von %s": ("Creating customer %s of %s", "Création du client %s sur %s"),
    "Datenbank erfolgreich gelöscht !": ("Database deleted successfully!", "La base de données a été supprimée !"),
    "Datenbank nicht erfolgreich gelöscht !":
        ("Database could not be deleted!", "La base de données n'a pas pu être supprimée !"),
    "Messwert": ("Reading", "Valeur mesurée"),
    "T1 / °C": ("T1 / °C", "T1 / °C"),
    "T2 / °C": ("T2 / °C", "T2 / °C"),
    "dT / °C": ("dT / °C", "dT / °C"),
    "Druck / hPa": ("Pressure / hPa", "Pression / hPa"),
    "20bar / Bar": ("20 bar / bar", "20 bar / bar"),
    "4Pa / Pa": ("4Pa / Pa", "4Pa / Pa"),
    "Flow / m/s": ("Flow / m/s", "Débit / m/s"),
    "Daten werden angezeigt...": ("Displaying the data...", "Affichage des données..."),
    "Das Formular kann nicht angezeigt werden.":
        ("The form cannot be displayed.", "Le formulaire ne peut pas être affiché."),
    "Es ist kein Programm zur Anzeige von PDF Dokumenten installiert.":
        ("No program for viewing PDF documents is installed.",
         "Aucun programme d'affichage de documents PDF n'est installé."),
    "Bitte installieren Sie z.B. den kostenlosen Adobe Reader®.":
        ("Please install a PDF viewer, for example a free one.",
         "Veuillez installer un lecteur PDF, par exemple un lecteur gratuit."),
    "Programm zur Anzeige von PDF Dokumenten nicht gefunden":
        ("Program for viewing PDF documents not found", "Programme d'affichage de documents PDF introuvable"),
    "PDF wird generiert...": ("Creating the PDF...", "Création du PDF..."),
    "Die Reparatur der Datenbank kann länger dauern.":
        ("Repairing the database may take a while.",
         "La réparation de la base de données peut prendre un certain temps."),
    "Fortfahren ?": ("Continue?", "Continuer ?"),
    "Datenbankreparatur": ("Database repair", "Réparation de la base de données"),
    "Die Reparatur wurde durchgeführt.": ("The repair has been carried out.", "La réparation a été effectuée."),
    "Sie müssen das Programm nun neu starten.":
        ("You must now restart the program.", "Vous devez maintenant redémarrer le programme."),
    "Die Komprimierung der Datenbank kann länger dauern.":
        ("Compacting the database may take a while.",
         "Le compactage de la base de données peut prendre un certain temps."),
    "Datenbankkomprimierung": ("Database compaction", "Compactage de la base de données"),
    "Die Komprimierung wurde durchgeführt.": ("The database has been compacted.", "Le compactage a été effectué."),
    "Das Löschen der Tabellen entfernt alle Daten aus der Datenbank.":
        ("Emptying the tables removes all data from the database.",
         "Vider les tables supprime toutes les données de la base de données."),
    "Tabellen löschen": ("Empty tables", "Vider les tables"),
    "Das Löschen der Tabellen wurde durchgeführt.": ("The tables have been emptied.", "Les tables ont été vidées."),
    "Diese Funktion erweitert die Datenbank um Kundendatensätze.":
        ("This function adds customer records to the database.",
         "Cette fonction ajoute des fiches clients à la base de données."),
    "Die Daten müssen als Textdatei mit Semikolons getrennt vorliegen.":
        ("The data must be a text file with the fields separated by semicolons.",
         "Les données doivent être un fichier texte dont les champs sont séparés par des points-virgules."),
    "Die Feldreihenfolge beim Import ist :": ("The order of the fields is:", "L'ordre des champs est le suivant :"),
    "Kundennummer;Kunde1;Kunde2;Kunde3;Kunde4;Kunde5<CR/LF>":
        ("CustomerNumber;Customer1;Customer2;Customer3;Customer4;Customer5<CR/LF>",
         "NuméroClient;Client1;Client2;Client3;Client4;Client5<CR/LF>"),
    "Import von Kundendaten": ("Import of customer data", "Importation de données clients"),
    "Daten auf der Speicherkarte werden gelöscht !":
        ("The data on the memory card will be deleted!", "Les données de la carte mémoire seront supprimées !"),
    "Demodaten erzeugen": ("Create demo data", "Créer des données de démonstration"),
    "Es können maximal 500 Kunden gespeichert werden.":
        ("At most 500 customers can be stored.", "500 clients au maximum peuvent être enregistrés."),
    # Main window: menus
    "&Datei": ("&File", "&Fichier"),
    "&Beenden": ("E&xit", "&Quitter"),
    "&Einstellungen": ("&Settings", "&Paramètres"),
    "Programm": ("Program", "Programme"),
    "&Sprache": ("&Language", "&Langue"),
    "Tools": ("Tools", "Outils"),
    "Demodaten": ("Demo data", "Données de démonstration"),
    "&Alle Kunden markieren": ("Select &all customers", "Sélectionner &tous les clients"),
    "Alle auswählen Strg-A": ("Select all Ctrl+A", "Tout sélectionner Ctrl+A"),
    # Main window: pages
    "Kunden": ("Customers", "Clients"),
    "Details zum Kunden": ("Customer details", "Détails du client"),
    "Kundenübersicht": ("Customer list", "Liste des clients"),
    "Messungen zum Kunden": ("Tests of the customer", "Mesures du client"),
    "Details zur Messung": ("Test details", "Détails de la mesure"),
    "Alle Messungen beim Kunden": ("All tests of the customer", "Toutes les mesures du client"),
    # Main window: customer details and list
    "Kundennummer :": ("Customer number:", "Numéro de client :"),
    "Kunde 1 :": ("Customer 1:", "Client 1 :"),
    "Kunde 2 :": ("Customer 2:", "Client 2 :"),
    "Kunde 3 :": ("Customer 3:", "Client 3 :"),
    "Kunde 4 :": ("Customer 4:", "Client 4 :"),
    "Kunde 5 :": ("Customer 5:", "Client 5 :"),
    "Memo zum Kunden :": ("Customer memo:", "Mémo du client :"),
    "Name :": ("Name:", "Nom :"),
    "Straße :": ("Street:", "Rue :"),
    "PLZ / Ort :": ("Postcode / Town:", "Code postal / Ville :"),
    "Telefon :": ("Telephone:", "Téléphone :"),
    "Sonstiges :": ("Other:", "Divers :"),
    "Ändern": ("Edit", "Modifier"),
    "Speichern": ("Save", "Enregistrer"),
    "Abbrechen": ("Cancel", "Annuler"),
    "Neu": ("New", "Nouveau"),
    "Löschen": ("Delete", "Supprimer"),
    "Suchen": ("Search", "Rechercher"),
    "Auf Karte speichern": ("Save to card", "Enregistrer sur la carte"),
    # Main window: test details and list
    "Messungstyp :": ("Test type:", "Type de mesure :"),
    "Startdatum :": ("Start date:", "Date de début :"),
    "Startuhrzeit :": ("Start time:", "Heure de début :"),
    "Intervall in Sekunden :": ("Interval in seconds:", "Intervalle en secondes :"),
    "Druck Start :": ("Start pressure:", "Pression initiale :"),
    "Druck Ende :": ("End pressure:", "Pression finale :"),
    "Messdauer in Minuten :": ("Test duration in minutes:", "Durée de la mesure en minutes :"),
    "Differenzdruck Start Ende :": ("Pressure difference start to end:", "Différence de pression début-fin :"),
    "Stabilisierungszeit in Minuten :": ("Stabilisation time in minutes:", "Temps de stabilisation en minutes :"),
    "Starttemperatur °C :": ("Start temperature °C:", "Température initiale °C :"),
    "Endtemperatur °C :": ("End temperature °C:", "Température finale °C :"),
    "Einheit :": ("Unit:", "Unité :"),
    "Anzahl Kommastellen :": ("Decimal places:", "Nombre de décimales :"),
    "Luftdruck in hPa :": ("Air pressure in hPa:", "Pression atmosphérique en hPa :"),
    "Referenzdruck :": ("Reference pressure:", "Pression de référence :"),
    "Leckrate in l/h, normiert :": ("Leak rate in l/h, normalised:", "Taux de fuite en l/h, normalisé :"),
    "Leckrate in l/h, unnormiert :": ("Leak rate in l/h, not normalised:", "Taux de fuite en l/h, non normalisé :"),
    "Gerät :": ("Instrument:", "Appareil :"),
    "Memo zur Messung :": ("Test memo:", "Mémo de la mesure :"),
    "Messreihe ansehen": ("View readings", "Afficher les relevés"),
    "Von Karte laden": ("Load from card", "Charger depuis la carte"),
    "Formular anzeigen": ("Show form", "Afficher le formulaire"),
    "Verfügbare Messreihen zu diesem Kunden :": ("Tests available for this customer:",
                                                  "Mesures disponibles pour ce client :"),
    "Formulare zur Messreihe :": ("Forms for this test:", "Formulaires pour cette mesure :"),
    # Language dialog
    "Bitte Sprache auswählen": ("Please choose a language", "Veuillez choisir une langue"),
    # Curve window
    "YT-Verlauf": ("Y-t curve", "Courbe Y-t"),
    "Messdaten": ("Readings", "Relevés"),
    "Messdaten :": ("Readings:", "Relevés :"),
    "Datenexport ...": ("Export data ...", "Exporter les données ..."),
    "Bild in Zwischenablage kopieren": ("Copy picture to clipboard", "Copier l'image dans le presse-papiers"),
    "Farbe": ("Colour", "Couleur"),
    "SW": ("B/W", "N/B"),
    # Protocol window
    "Protokoll nicht mehr anzeigen": ("Do not show the log again", "Ne plus afficher le journal"),
    "OK": ("OK", "OK"),
    # Report base window
    "PDF erzeugen": ("Create PDF", "Créer le PDF"),
    "Vorgabe speichern": ("Save as default", "Enregistrer comme modèle"),
    # Search box
    "Weiter suchen": ("Find next", "Rechercher la suite"),
    "Suche abbrechen": ("Stop search", "Arrêter la recherche"),
    # Settings dialog
    "Firmendaten Ausdruck": ("Company data for printouts", "Données de l'entreprise pour l'impression"),
    "Datenbank": ("Database", "Base de données"),
    "Kartenlaufwerk für Datenaustausch mit dem TQ5 :": ("Card drive for data exchange with the TQ5:",
                                                         "Lecteur de carte pour l'échange avec le TQ5 :"),
    "Import-/Export-Protokolle nicht anzeigen": ("Do not show import/export logs",
                                                 "Ne pas afficher les journaux d'import/export"),
    "&Übernehmen": ("&Apply", "&Appliquer"),
    "Übernehmen": ("Apply", "Appliquer"),
    "Firmenname  :": ("Company name:", "Raison sociale :"),
    "Anschrift :": ("Street address:", "Adresse :"),
    "PLZ Ort :": ("Postcode town:", "Code postal ville :"),
    "E-Mail :": ("E-mail:", "Courriel :"),
    "Fax :": ("Fax:", "Télécopie :"),
    "Logodatei wählen...": ("Choose logo file...", "Choisir le fichier du logo..."),
    "Kestrom Logo": ("Show Kestrom logo", "Afficher le logo Kestrom"),
    "Datenbankdatei :": ("Database file:", "Fichier de base de données :"),
    "Datenbank reparieren": ("Repair database", "Réparer la base"),
    "Datenbank komprimieren": ("Compact database", "Compacter la base"),
    "Kundendaten importieren": ("Import customer data", "Importer les clients"),
    "Kundendaten exportieren": ("Export customer data", "Exporter les clients"),
}

SECTION = re.compile(r"^\s*\[(.*)\]\s*$")


def read_ini(path):
    """Sections in file order, each a list of (key, value) in file order."""
    sections = []
    current = None
    for raw in Path(path).read_bytes().decode("cp1252").splitlines():
        m = SECTION.match(raw)
        if m:
            current = (m.group(1).strip(), [])
            sections.append(current)
        elif current is not None and "=" in raw:
            key, value = raw.split("=", 1)
            current[1].append((key.strip(), value))
    return sections


def translate(section, key, german, lang):
    if f"{section}.{key}" in BY_KEY:
        return BY_KEY[f"{section}.{key}"][lang]
    german = german.strip()
    if german == "":
        return ""
    return TEXTS[german][lang]


def write_ini(path, sections):
    lines = []
    for name, items in sections:
        lines.append(f"[{name}]")
        lines.extend(f"{k}={v}" for k, v in items)
        lines.append("")
    Path(path).write_bytes("\r\n".join(lines).encode("cp1252"))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    base = read_ini(sys.argv[1])
    missing = sorted({v.strip() for s, items in base for k, v in items
                      if k != s + "Caption" and v.strip() and f"{s}.{k}" not in BY_KEY and v.strip() not in TEXTS})
    unknown = sorted({s for s, _ in base} - TITLES.keys())
    if missing or unknown:
        sys.exit("No translation for:\n  " + "\n  ".join(missing + [f"[{s}] title" for s in unknown]))

    out = Path(__file__).resolve().parent.parent / "resources" / "lang"
    out.mkdir(parents=True, exist_ok=True)
    for code, lang in (("DEU", None), ("ENG", 0), ("FRA", 1)):
        sections = []
        for name, items in base:
            titled = [(k, TITLES[name][0 if lang is None else lang + 1]) if k == name + "Caption" else (k, v)
                      for k, v in items]
            if lang is not None:
                titled = [(k, v) if k == name + "Caption" else (k, translate(name, k, v, lang)) for k, v in titled]
            sections.append((name, titled))
        write_ini(out / f"Language.{code}", sections)


if __name__ == "__main__":
    main()
