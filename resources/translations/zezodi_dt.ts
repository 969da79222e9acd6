<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>StringTable</name>
    <message>
        <source>No apache webserver found on the server. Please specifiy the path of the webserver document root, in zezodi.ini.</source>
        <translation>Auf diesem Server wurde kein Apache-Webserver gefunden. Bitte tragen Sie das Dokumentverzeichnis des Webservers in zezodi.ini ein.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Errors while synchronizing the alarmdata with the primary server ! %1</source>
        <translation>Beim Synchronisieren der Alarmdaten mit dem Primärserver sind Fehler aufgetreten! %1</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Successfully synchronized the alarmdata with the primary server. %1</source>
        <translation>Die Alarmdaten wurden erfolgreich mit dem Primärserver synchronisiert. %1</translation>
    </message>
    <message>
        <source>Identical</source>
        <translation>Identisch</translation>
    </message>
    <message>
        <source>Updated</source>
        <translation>Aktualisiert</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Failed to create download directory %1 !</source>
        <translation>Das Download-Verzeichnis %1 konnte nicht angelegt werden!</translation>
    </message>
    <message>
        <source>No compression tool (winzip with command line support) installed !
Please install Winzip 8.0 or later and the command line support for winzip.</source>
        <translation>Kein Komprimierungsprogramm (WinZip mit Kommandozeilen-Unterstützung) installiert!
Bitte installieren Sie WinZip 8.0 oder neuer sowie die Kommandozeilen-Unterstützung für WinZip.</translation>
    </message>
    <message>
        <source>The data on the primary server was already successfully synchronized with the local data.
Do you still want to synchronize ?</source>
        <translation>Die Daten des Primärservers wurden bereits erfolgreich mit den lokalen Daten synchronisiert.
Trotzdem erneut synchronisieren?</translation>
    </message>
    <message>
        <source>Please confirm ...</source>
        <translation>Bitte bestätigen ...</translation>
    </message>
    <message>
        <source>Exit the synchronization tool ?
This program needs to be running if the servers have to be synchronized !</source>
        <translation>Synchronisationsprogramm beenden?
Dieses Programm muss laufen, damit die Server synchronisiert werden!</translation>
    </message>
    <message>
        <source>Are you sure you want to change from secondary to primary synchronization ?
The program will restart as primary synchronization tool.
Only change if this server needs to be the new master server!
Make sure to change the master server from primary to secondary.</source>
        <translation>Soll dieser Server wirklich vom Sekundärserver zum Primärserver umgestellt werden?
Das Programm startet danach als Primärserver neu.
Nur umstellen, wenn dieser Server der neue Master-Server werden soll!
Stellen Sie den bisherigen Master-Server unbedingt von Primär auf Sekundär um.</translation>
    </message>
    <message>
        <source>Are you sure you want to change from primary  to secondary synchronization ?
The program will restart as secondary synchronization tool.
Only change if this server needs to be a slave server!
Make sure to change the slave server from secondary to primary.</source>
        <translation>Soll dieser Server wirklich vom Primärserver zum Sekundärserver umgestellt werden?
Das Programm startet danach als Sekundärserver neu.
Nur umstellen, wenn dieser Server ein Slave-Server werden soll!
Stellen Sie den künftigen Master-Server unbedingt von Sekundär auf Primär um.</translation>
    </message>
    <message>
        <source>Not updated</source>
        <translation>Nicht aktualisiert</translation>
    </message>
    <message>
        <source>Inifile</source>
        <translation>INI-Datei</translation>
    </message>
    <message>
        <source>Sectionname</source>
        <translation>Abschnitt</translation>
    </message>
    <message>
        <source>Keyname</source>
        <translation>Schlüssel</translation>
    </message>
    <message>
        <source>Primary value</source>
        <translation>Wert Primärserver</translation>
    </message>
    <message>
        <source>Secondary value</source>
        <translation>Wert Sekundärserver</translation>
    </message>
    <message>
        <source>Not identical</source>
        <translation>Nicht identisch</translation>
    </message>
    <message>
        <source>Not existent</source>
        <translation>Nicht vorhanden</translation>
    </message>
    <message>
        <source>Orvenda Primary Synchronization Tool</source>
        <translation>Orvenda Synchronisation – Primärserver</translation>
    </message>
    <message>
        <source>Orvenda Secondary Synchronization Tool</source>
        <translation>Orvenda Synchronisation – Sekundärserver</translation>
    </message>
    <message>
        <source>The resource DLL %1 could not be loaded !</source>
        <translation>Die Sprachdatei %1 konnte nicht geladen werden!</translation>
    </message>
    <message>
        <source>Client Computername</source>
        <translation>Rechnername des Clients</translation>
    </message>
    <message>
        <source>Client IP-Address</source>
        <translation>IP-Adresse des Clients</translation>
    </message>
    <message>
        <source>Client Location</source>
        <translation>Standort des Clients</translation>
    </message>
    <message>
        <source>Delete secondary server %1 from client list ?</source>
        <translation>Sekundärserver %1 aus der Client-Liste löschen?</translation>
    </message>
    <message>
        <source>Please select a client item first in the list to delete.</source>
        <translation>Bitte wählen Sie zuerst den zu löschenden Client in der Liste aus.</translation>
    </message>
    <message>
        <source>Edit settings of existent secondary client server</source>
        <translation>Einstellungen des Sekundärservers bearbeiten</translation>
    </message>
    <message>
        <source>Add new secondary client server</source>
        <translation>Neuen Sekundärserver hinzufügen</translation>
    </message>
    <message>
        <source>Successfully started synchronization on client %1 (%2). Please wait for result.</source>
        <translation>Synchronisation auf Client %1 (%2) erfolgreich gestartet. Bitte warten Sie auf das Ergebnis.</translation>
    </message>
    <message>
        <source>Failed to open socket for client %1 (%2)</source>
        <translation>Socket für Client %1 (%2) konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Failed to connect to client %1 (%2) to start synchronization</source>
        <translation>Keine Verbindung zu Client %1 (%2), Synchronisation nicht gestartet</translation>
    </message>
    <message>
        <source>Failed to write socket command for client %1 (%2)</source>
        <translation>Befehl an Client %1 (%2) konnte nicht gesendet werden</translation>
    </message>
    <message>
        <source>No acknowledge from client %1 (%2) if synchronization was started</source>
        <translation>Keine Bestätigung von Client %1 (%2), ob die Synchronisation gestartet wurde</translation>
    </message>
    <message>
        <source>Synchronization of selected clients started. Please wait ...</source>
        <translation>Synchronisation der ausgewählten Clients gestartet. Bitte warten ...</translation>
    </message>
    <message>
        <source>Please select at least one secondary client to synchronize first !</source>
        <translation>Bitte wählen Sie zuerst mindestens einen Sekundärserver zum Synchronisieren aus!</translation>
    </message>
    <message>
        <source>No secondary clients for synchronization defined yet !
Please define the clients in the settings dialog.</source>
        <translation>Es sind noch keine Sekundärserver für die Synchronisation eingetragen!
Bitte tragen Sie die Clients in den Einstellungen ein.</translation>
    </message>
    <message>
        <source>Failed to copy file from %s to %s !</source>
        <translation>Datei konnte nicht von %s nach %s kopiert werden!</translation>
    </message>
    <message>
        <source>Failed to get CRC from file %s  Error Code: %d !</source>
        <translation>CRC der Datei %s konnte nicht ermittelt werden  Fehlercode: %d!</translation>
    </message>
    <message>
        <source>Failed to download file %s !</source>
        <translation>Datei %s konnte nicht heruntergeladen werden!</translation>
    </message>
    <message>
        <source>Failed to unzip file %s !</source>
        <translation>Datei %s konnte nicht entpackt werden!</translation>
    </message>
    <message>
        <source>File %s is newer then downloaded primary file: %s !</source>
        <translation>Datei %s ist neuer als die vom Primärserver geladene Datei: %s!</translation>
    </message>
    <message>
        <source>Failed to copy file %s to %s for backup</source>
        <translation>Sicherungskopie von %s nach %s konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>CRC after download is still not identical for file %s. Local CRC: %s Primary CRC %s</source>
        <translation>CRC der Datei %s stimmt auch nach dem Download nicht überein. Lokaler CRC: %s CRC Primärserver %s</translation>
    </message>
    <message>
        <source>File %s successfully synchronized</source>
        <translation>Datei %s erfolgreich synchronisiert</translation>
    </message>
    <message>
        <source>File %s is not existent !</source>
        <translation>Datei %s ist nicht vorhanden!</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %s  Error Code: %d !</source>
        <translation>Synchronisationsdatei konnte nicht von %s geladen werden  Fehlercode: %d!</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %s  File after download not present !</source>
        <translation>Synchronisationsdatei konnte nicht von %s geladen werden  Datei nach dem Download nicht vorhanden!</translation>
    </message>
    <message>
        <source>Synchronization started automatically</source>
        <translation>Synchronisation automatisch gestartet</translation>
    </message>
    <message>
        <source>Synchronization started by primary server %s</source>
        <translation>Synchronisation vom Primärserver %s gestartet</translation>
    </message>
    <message>
        <source>Synchronization started manually. Please wait ...</source>
        <translation>Synchronisation manuell gestartet. Bitte warten ...</translation>
    </message>
    <message>
        <source>Failure durring synchronization   Files identical: %d   successfully synchronized: %d   failed: %d</source>
        <translation>Fehler bei der Synchronisation   Dateien identisch: %d   erfolgreich synchronisiert: %d   fehlgeschlagen: %d</translation>
    </message>
    <message>
        <source>Synchronization was successful   Files identical: %d   successfully synchronized: %d</source>
        <translation>Synchronisation erfolgreich   Dateien identisch: %d   erfolgreich synchronisiert: %d</translation>
    </message>
    <message>
        <source>No secondary clients for synchronization defined yet !
Import the client settings for the synchronization from the master/slave program settings ?</source>
        <translation>Es sind noch keine Sekundärserver für die Synchronisation eingetragen!
Sollen die Clients aus den Master/Slave-Einstellungen der Alarmsoftware übernommen werden?</translation>
    </message>
    <message>
        <source>Successfully synchronized the system-time on client %1 (%2)</source>
        <translation>Systemzeit auf Client %1 (%2) erfolgreich synchronisiert</translation>
    </message>
    <message>
        <source>Failed to synchronized the system-time on client %1 (%2)</source>
        <translation>Systemzeit auf Client %1 (%2) konnte nicht synchronisiert werden</translation>
    </message>
    <message>
        <source>Successfully synchronized the system-time with the primary server.</source>
        <translation>Systemzeit erfolgreich mit dem Primärserver synchronisiert.</translation>
    </message>
    <message>
        <source>Error while synchronizing client %s !</source>
        <translation>Fehler bei der Synchronisation von Client %s!</translation>
    </message>
    <message>
        <source>Client %s successfully synchronized</source>
        <translation>Client %s erfolgreich synchronisiert</translation>
    </message>
    <message>
        <source>
Files identical: %d   successfully synchronized: %d</source>
        <translation>
Dateien identisch: %d   erfolgreich synchronisiert: %d</translation>
    </message>
    <message>
        <source>
Files identical: %d   successfully synchronized: %d   failed: %d</source>
        <translation>
Dateien identisch: %d   erfolgreich synchronisiert: %d   fehlgeschlagen: %d</translation>
    </message>
    <message>
        <source>Preparation for synchronization started automatically</source>
        <translation>Vorbereitung der Synchronisation automatisch gestartet</translation>
    </message>
    <message>
        <source>Preparation for synchronization started manually. Please wait ...</source>
        <translation>Vorbereitung der Synchronisation manuell gestartet. Bitte warten ...</translation>
    </message>
    <message>
        <source>Successfully prepared data for synchronization</source>
        <translation>Daten für die Synchronisation erfolgreich vorbereitet</translation>
    </message>
    <message>
        <source>Error while preparing data for synchronization</source>
        <translation>Fehler beim Vorbereiten der Synchronisationsdaten</translation>
    </message>
    <message>
        <source>Successfully prepared synchronization data.
Start synchronization on secondary client servers now ?</source>
        <translation>Synchronisationsdaten erfolgreich vorbereitet.
Synchronisation auf den Sekundärservern jetzt starten?</translation>
    </message>
    <message>
        <source>ERROR: %s</source>
        <translation>FEHLER: %s</translation>
    </message>
    <message>
        <source>%d KB</source>
        <translation>%d KB</translation>
    </message>
    <message>
        <source>The download directory %s lies in the synchronized data directory %s: files there would be deleted or replaced. Please choose another download directory; nothing is synchronized until then.</source>
        <translation>Das Download-Verzeichnis %s liegt im synchronisierten Datenverzeichnis %s: Dateien dort würden gelöscht oder ersetzt. Bitte wählen Sie ein anderes Download-Verzeichnis; bis dahin wird nichts synchronisiert.</translation>
    </message>
    <message>
        <source>The file %1 could not be opened: it does not exist, or no program for it could be started !</source>
        <translation>Die Datei %1 konnte nicht geöffnet werden: Sie existiert nicht, oder es konnte kein Programm für sie gestartet werden!</translation>
    </message>
    <message>
        <source>The file %1 exists, but no program opens it: xdg-open is missing. Install the package xdg-utils.</source>
        <translation>Die Datei %1 ist vorhanden, aber kein Programm öffnet sie: xdg-open fehlt. Installieren Sie das Paket xdg-utils.</translation>
    </message>
    <message>
        <source>The settings directory %1 does not exist !
Create it, or name the directory that holds zezodi.ini in the environment variable ZEZODI_WINDIR, and start the program again. Until then no setting is kept.</source>
        <translation>Das Einstellungsverzeichnis %1 existiert nicht!
Legen Sie es an oder nennen Sie das Verzeichnis mit der zezodi.ini in der Umgebungsvariablen ZEZODI_WINDIR, und starten Sie das Programm neu. Bis dahin wird keine Einstellung gespeichert.</translation>
    </message>
    <message>
        <source>The settings file %1 is a directory !
Remove or rename that directory and start the program again. Until then no setting is kept.</source>
        <translation>Die Einstellungsdatei %1 ist ein Verzeichnis!
Entfernen oder benennen Sie dieses Verzeichnis um und starten Sie das Programm neu. Bis dahin wird keine Einstellung gespeichert.</translation>
    </message>
    <message>
        <source>The settings file %1 cannot be read !
Give the user who runs the program the right to read and write it, and start the program again. Until then the default settings are used.</source>
        <translation>Die Einstellungsdatei %1 kann nicht gelesen werden!
Geben Sie dem Benutzer, der das Programm ausführt, Lese- und Schreibrechte darauf, und starten Sie das Programm neu. Bis dahin gelten die Standardeinstellungen.</translation>
    </message>
    <message>
        <source>The settings file %1 cannot be written !
Give the user who runs the program the right to write it (and its directory), and start the program again. Until then no change of a setting is kept.</source>
        <translation>Die Einstellungsdatei %1 kann nicht geschrieben werden!
Geben Sie dem Benutzer, der das Programm ausführt, Schreibrechte darauf (und auf sein Verzeichnis), und starten Sie das Programm neu. Bis dahin wird keine Änderung einer Einstellung gespeichert.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Synchronize now</source>
        <translation>Jetzt synchronisieren</translation>
    </message>
    <message>
        <source>Show logfile</source>
        <translation>Protokoll anzeigen</translation>
    </message>
    <message>
        <source>Last synchronization:</source>
        <translation>Letzte Synchronisation:</translation>
    </message>
    <message>
        <source>Synchronized files and errors:</source>
        <translation>Synchronisierte Dateien und Fehler:</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Interval between synchronizations: </source>
        <translation>Intervall zwischen den Synchronisationen: </translation>
    </message>
    <message>
        <source>Settings for primary synchronization tool</source>
        <translation>Einstellungen der Primär-Synchronisation</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>Endung</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Pfad</translation>
    </message>
    <message>
        <source>Last Modified</source>
        <translation>Zuletzt geändert</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>CRC</source>
        <translation>CRC</translation>
    </message>
    <message>
        <source>CRC Secondary</source>
        <translation>CRC Sekundär</translation>
    </message>
    <message>
        <source>CRC Primary</source>
        <translation>CRC Primär</translation>
    </message>
    <message>
        <source>Client Synchronization</source>
        <translation>Client-Synchronisation</translation>
    </message>
    <message>
        <source>Files for synchronization</source>
        <translation>Dateien für die Synchronisation</translation>
    </message>
    <message>
        <source>Synchronized files</source>
        <translation>Synchronisierte Dateien</translation>
    </message>
    <message>
        <source>Local files:</source>
        <translation>Lokale Dateien:</translation>
    </message>
    <message>
        <source>Compare Ini-files</source>
        <translation>INI-Dateien vergleichen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Files %1 of %2, %3 bytes</source>
        <translation>Dateien %1 von %2, %3 Bytes</translation>
    </message>
    <message>
        <source>Files %1</source>
        <translation>Dateien %1</translation>
    </message>
    <message>
        <source>Talking to client %1 (%2) ...</source>
        <translation>Verbindung mit Client %1 (%2) ...</translation>
    </message>
    <message>
        <source>Please specify a value between 0 and 255 for this field.</source>
        <translation>Bitte geben Sie für dieses Feld einen Wert zwischen 0 und 255 an.</translation>
    </message>
    <message>
        <source>About Zezodi</source>
        <translation>Über Zezodi</translation>
    </message>
    <message>
        <source>Zezodi, Version 3.1</source>
        <translation>Zezodi, Version 3.1</translation>
    </message>
    <message>
        <source>Client Settings</source>
        <translation>Client-Einstellungen</translation>
    </message>
    <message>
        <source>Computer-Name of client:</source>
        <translation>Rechnername des Clients:</translation>
    </message>
    <message>
        <source>IP-Address of client:</source>
        <translation>IP-Adresse des Clients:</translation>
    </message>
    <message>
        <source>Location of client:</source>
        <translation>Standort des Clients:</translation>
    </message>
    <message>
        <source>Start client synronisation</source>
        <translation>Client-Synchronisation starten</translation>
    </message>
    <message>
        <source>Select secondary client servers to synchronize now</source>
        <translation>Sekundärserver auswählen, die jetzt synchronisiert werden sollen</translation>
    </message>
    <message>
        <source>Synchronize system-time on client servers with primary server</source>
        <translation>Systemzeit der Clients mit dem Primärserver synchronisieren</translation>
    </message>
    <message>
        <source>Synchronize selected clients</source>
        <translation>Ausgewählte Clients synchronisieren</translation>
    </message>
    <message>
        <source>Report on client synchronization:</source>
        <translation>Bericht zur Client-Synchronisation:</translation>
    </message>
    <message>
        <source>Primary settings</source>
        <translation>Einstellungen Primärserver</translation>
    </message>
    <message>
        <source>Web-Server Document Path:</source>
        <translation>Dokumentverzeichnis des Webservers:</translation>
    </message>
    <message>
        <source>All data which needs to be synchronize will be copied to this directory.</source>
        <translation>Alle zu synchronisierenden Daten werden in dieses Verzeichnis kopiert.</translation>
    </message>
    <message>
        <source>hours</source>
        <translation>Stunden</translation>
    </message>
    <message>
        <source>Zip files automatically for download if bigger then </source>
        <translation>Dateien für den Download automatisch packen, wenn größer als </translation>
    </message>
    <message>
        <source>KB.</source>
        <translation>KB.</translation>
    </message>
    <message>
        <source>Use Gzip program to zip files</source>
        <translation>Dateien mit Gzip packen</translation>
    </message>
    <message>
        <source>Use program to zip:</source>
        <translation>Packprogramm verwenden:</translation>
    </message>
    <message>
        <source>IP-Address of this server:</source>
        <translation>IP-Adresse dieses Servers:</translation>
    </message>
    <message>
        <source>Automatically synchronize system-time on client servers with primary server</source>
        <translation>Systemzeit der Clients automatisch mit dem Primärserver synchronisieren</translation>
    </message>
    <message>
        <source>Secondary client servers:</source>
        <translation>Sekundärserver (Clients):</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Change to secondary server</source>
        <translation>Zum Sekundärserver umstellen</translation>
    </message>
    <message>
        <source>Secondary settings</source>
        <translation>Einstellungen Sekundärserver</translation>
    </message>
    <message>
        <source>http path to get synchronization data from:</source>
        <translation>HTTP-Pfad der Synchronisationsdaten:</translation>
    </message>
    <message>
        <source>Web address of the primary server with the path for the data to synchronize</source>
        <translation>Webadresse des Primärservers mit dem Pfad zu den Synchronisationsdaten</translation>
    </message>
    <message>
        <source>Directory to download the data to:</source>
        <translation>Download-Verzeichnis für die Daten:</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>Use Gzip program to unzip files</source>
        <translation>Dateien mit Gzip entpacken</translation>
    </message>
    <message>
        <source>Use program to unzip:</source>
        <translation>Entpackprogramm verwenden:</translation>
    </message>
    <message>
        <source>Change to primary server</source>
        <translation>Zum Primärserver umstellen</translation>
    </message>
    <message>
        <source>&amp;Allowed primary servers (addresses or names, * for everyone):</source>
        <translation>&amp;Zugelassene Primärserver (Adressen oder Namen, * für alle):</translation>
    </message>
    <message>
        <source>Other allowed clients (addresses or names, * for everyone):</source>
        <translation>Weitere zugelassene Clients (Adressen oder Namen, * für alle):</translation>
    </message>
    <message>
        <source>Compare local Ini-files with primary Ini-files</source>
        <translation>Lokale INI-Dateien mit denen des Primärservers vergleichen</translation>
    </message>
    <message>
        <source>Primary ini-files:</source>
        <translation>INI-Dateien des Primärservers:</translation>
    </message>
    <message>
        <source>Compare selected Ini-files</source>
        <translation>Ausgewählte INI-Dateien vergleichen</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Vergleichen</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Bitte geben Sie eine ganze Zahl ein.</translation>
    </message>
    <message>
        <source>The settings could not be written to %1 !</source>
        <translation>Die Einstellungen konnten nicht in %1 gespeichert werden!</translation>
    </message>
    <message>
        <source>The path %1 is longer than %2 characters and cannot be used. Please enter a shorter path.</source>
        <translation>Der Pfad %1 ist länger als %2 Zeichen und kann nicht verwendet werden. Bitte geben Sie einen kürzeren Pfad ein.</translation>
    </message>
    <message>
        <source>%1 = %2 is longer than %3 characters. Please enter a shorter path.</source>
        <translation>%1 = %2 ist länger als %3 Zeichen. Bitte geben Sie einen kürzeren Pfad ein.</translation>
    </message>
    <message>
        <source>%1 is not published: its name cannot be carried by the catalogue !</source>
        <translation>%1 wird nicht veröffentlicht: Sein Name kann nicht in den Katalog übernommen werden!</translation>
    </message>
    <message>
        <source>%1 is not published: its name differs from %2 only in letter case !</source>
        <translation>%1 wird nicht veröffentlicht: Sein Name unterscheidet sich von %2 nur in der Groß-/Kleinschreibung!</translation>
    </message>
    <message>
        <source>%1 is not published: its name is taken by the packed copy of %2 !</source>
        <translation>%1 wird nicht veröffentlicht: Sein Name ist bereits von der gepackten Kopie von %2 belegt!</translation>
    </message>
    <message>
        <source>The published files in %1 could not be written to disk: %2 !</source>
        <translation>Die veröffentlichten Dateien in %1 konnten nicht auf die Festplatte geschrieben werden: %2!</translation>
    </message>
    <message>
        <source>The prepared data could not be published in %1: %2 !</source>
        <translation>Die vorbereiteten Daten konnten nicht in %1 veröffentlicht werden: %2!</translation>
    </message>
    <message>
        <source>Section %1 lists %2 files: secondaries running on Windows read only the first %3 !</source>
        <translation>Abschnitt %1 enthält %2 Dateien: Sekundärserver unter Windows lesen nur die ersten %3!</translation>
    </message>
    <message>
        <source>The synchronization file %1 is larger than %2 MB and is not read !</source>
        <translation>Die Synchronisationsdatei %1 ist größer als %2 MB und wird nicht gelesen!</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %s  File has no valid version stamp !</source>
        <translation>Synchronisationsdatei konnte nicht von %s geladen werden  Datei hat keinen gültigen Versionsstempel!</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %s  File is incomplete, its end mark is missing !</source>
        <translation>Synchronisationsdatei konnte nicht von %s geladen werden  Datei ist unvollständig, ihre Endmarke fehlt!</translation>
    </message>
    <message>
        <source>No space left on device in %s !</source>
        <translation>Kein Speicherplatz mehr auf dem Gerät in %s!</translation>
    </message>
    <message>
        <source>Synchronization stopped before its end: the files done are in place, the others as they were.</source>
        <translation>Synchronisation vor ihrem Ende angehalten: die fertigen Dateien sind ersetzt, die anderen unverändert.</translation>
    </message>
    <message>
        <source>%1 already runs on this computer, as a service or for another user.
Stop it before starting it here.</source>
        <translation>%1 läuft auf diesem Computer bereits, als Dienst oder für einen anderen Benutzer.
Beenden Sie es, bevor Sie es hier starten.</translation>
    </message>
    <message>
        <source>The system-time could not be set to the primary server&apos;s time: %1 !</source>
        <translation>Die Systemzeit konnte nicht auf die Zeit des Primärservers gesetzt werden: %1 !</translation>
    </message>
    <message>
        <source>The sync catalogue cannot be signed: %1 !</source>
        <translation>Der Synchronisationskatalog kann nicht signiert werden: %1 !</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %1  The catalogue is not signed !</source>
        <translation>Synchronisationsdatei von %1 konnte nicht geholt werden  Der Katalog ist nicht signiert !</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %1  The catalogue is not signed by a trusted key, or was altered !</source>
        <translation>Synchronisationsdatei von %1 konnte nicht geholt werden  Der Katalog ist nicht mit einem vertrauenswürdigen Schlüssel signiert oder wurde verändert !</translation>
    </message>
    <message>
        <source>SHA-256 after download is not the primary&apos;s for file %1 !</source>
        <translation>SHA-256 nach dem Download ist nicht der des Primärservers für Datei %1 !</translation>
    </message>
    <message>
        <source>Primary server&apos;s public &amp;keys (empty: catalogues are not checked):</source>
        <translation>Öffentliche &amp;Schlüssel des Primärservers (leer: Kataloge werden nicht geprüft):</translation>
    </message>
    <message>
        <source>The primary server&apos;s public keys are not valid keys.
Paste the line that zezodictl key show prints on the primary, or two of them separated by a blank while the key changes.</source>
        <translation>Die öffentlichen Schlüssel des Primärservers sind keine gültigen Schlüssel.
Fügen Sie die Zeile ein, die zezodictl key show auf dem Primärserver ausgibt, oder zwei davon durch ein Leerzeichen getrennt, solange der Schlüssel wechselt.</translation>
    </message>
    <message>
        <source>Network failure: the primary server could not be reached at %1. Check WebDocPath and that the primary server and its web server run.</source>
        <translation>Netzwerkfehler: Der Primärserver war unter %1 nicht erreichbar. Prüfen Sie WebDocPath und ob der Primärserver und sein Webserver laufen.</translation>
    </message>
    <message>
        <source>The certificate of the web server at %1 could not be verified. Check CaCertificate, or the server&apos;s certificate.</source>
        <translation>Das Zertifikat des Webservers unter %1 konnte nicht geprüft werden. Prüfen Sie CaCertificate oder das Zertifikat des Servers.</translation>
    </message>
    <message>
        <source>The web server at %1 answered with an error (for example 404, not found). Check that WebDocPath names the primary server&apos;s synchronization data and that it has prepared them.</source>
        <translation>Der Webserver unter %1 antwortete mit einem Fehler (zum Beispiel 404, nicht gefunden). Prüfen Sie, ob WebDocPath die Synchronisationsdaten des Primärservers nennt und ob dieser sie vorbereitet hat.</translation>
    </message>
    <message>
        <source>State of the secondary servers</source>
        <translation>Zustand der Sekundärserver</translation>
    </message>
    <message>
        <source>In sync</source>
        <translation>Synchron</translation>
    </message>
    <message>
        <source>Behind</source>
        <translation>Im Rückstand</translation>
    </message>
    <message>
        <source>Silent</source>
        <translation>Ohne Meldung</translation>
    </message>
    <message>
        <source>Never heard</source>
        <translation>Nie gemeldet</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Standort</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Last report</source>
        <translation>Letzte Meldung</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Preparation for synchronization stopped before its end: the secondaries are still given the data prepared before.</source>
        <translation>Vorbereitung der Synchronisation vor ihrem Ende angehalten: die Sekundärserver erhalten weiterhin die zuvor vorbereiteten Daten.</translation>
    </message>
</context>
</TS>
