<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>StringTable</name>
    <message>
        <source>No apache webserver found on the server. Please specifiy the path of the webserver document root, in zezodi.ini.</source>
        <translation>Aucun serveur web Apache n&apos;a été trouvé sur ce serveur. Veuillez indiquer la racine des documents du serveur web dans zezodi.ini.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Errors while synchronizing the alarmdata with the primary server ! %1</source>
        <translation>Des erreurs se sont produites lors de la synchronisation des données d&apos;alarme avec le serveur primaire&#xa0;! %1</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Successfully synchronized the alarmdata with the primary server. %1</source>
        <translation>Les données d&apos;alarme ont été synchronisées avec succès avec le serveur primaire. %1</translation>
    </message>
    <message>
        <source>Identical</source>
        <translation>Identique</translation>
    </message>
    <message>
        <source>Updated</source>
        <translation>Mis à jour</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Échec</translation>
    </message>
    <message>
        <source>Failed to create download directory %1 !</source>
        <translation>Impossible de créer le répertoire de téléchargement %1&#xa0;!</translation>
    </message>
    <message>
        <source>No compression tool (winzip with command line support) installed !
Please install Winzip 8.0 or later and the command line support for winzip.</source>
        <translation>Aucun outil de compression (WinZip avec prise en charge de la ligne de commande) n&apos;est installé&#xa0;!
Veuillez installer WinZip 8.0 ou plus récent ainsi que son module de ligne de commande.</translation>
    </message>
    <message>
        <source>The data on the primary server was already successfully synchronized with the local data.
Do you still want to synchronize ?</source>
        <translation>Les données du serveur primaire ont déjà été synchronisées avec succès avec les données locales.
Voulez-vous quand même lancer la synchronisation&#xa0;?</translation>
    </message>
    <message>
        <source>Please confirm ...</source>
        <translation>Veuillez confirmer...</translation>
    </message>
    <message>
        <source>Exit the synchronization tool ?
This program needs to be running if the servers have to be synchronized !</source>
        <translation>Quitter l&apos;outil de synchronisation&#xa0;?
Ce programme doit rester ouvert pour que les serveurs soient synchronisés&#xa0;!</translation>
    </message>
    <message>
        <source>Are you sure you want to change from secondary to primary synchronization ?
The program will restart as primary synchronization tool.
Only change if this server needs to be the new master server!
Make sure to change the master server from primary to secondary.</source>
        <translation>Voulez-vous vraiment passer de serveur secondaire en serveur primaire&#xa0;?
Le programme redémarrera en tant que serveur primaire.
Ne changez que si ce serveur doit devenir le nouveau serveur maître&#xa0;!
Pensez à faire passer l&apos;ancien serveur maître de primaire à secondaire.</translation>
    </message>
    <message>
        <source>Are you sure you want to change from primary  to secondary synchronization ?
The program will restart as secondary synchronization tool.
Only change if this server needs to be a slave server!
Make sure to change the slave server from secondary to primary.</source>
        <translation>Voulez-vous vraiment passer de serveur primaire en serveur secondaire&#xa0;?
Le programme redémarrera en tant que serveur secondaire.
Ne changez que si ce serveur doit devenir un serveur esclave&#xa0;!
Pensez à faire passer le futur serveur maître de secondaire à primaire.</translation>
    </message>
    <message>
        <source>Not updated</source>
        <translation>Non mis à jour</translation>
    </message>
    <message>
        <source>Inifile</source>
        <translation>Fichier INI</translation>
    </message>
    <message>
        <source>Sectionname</source>
        <translation>Section</translation>
    </message>
    <message>
        <source>Keyname</source>
        <translation>Clé</translation>
    </message>
    <message>
        <source>Primary value</source>
        <translation>Valeur primaire</translation>
    </message>
    <message>
        <source>Secondary value</source>
        <translation>Valeur secondaire</translation>
    </message>
    <message>
        <source>Not identical</source>
        <translation>Différent</translation>
    </message>
    <message>
        <source>Not existent</source>
        <translation>Inexistant</translation>
    </message>
    <message>
        <source>Orvenda Primary Synchronization Tool</source>
        <translation>Orvenda Synchronisation – serveur primaire</translation>
    </message>
    <message>
        <source>Orvenda Secondary Synchronization Tool</source>
        <translation>Orvenda Synchronisation – serveur secondaire</translation>
    </message>
    <message>
        <source>The resource DLL %1 could not be loaded !</source>
        <translation>Le fichier de langue %1 n&apos;a pas pu être chargé&#xa0;!</translation>
    </message>
    <message>
        <source>Client Computername</source>
        <translation>Nom de l&apos;ordinateur client</translation>
    </message>
    <message>
        <source>Client IP-Address</source>
        <translation>Adresse IP du client</translation>
    </message>
    <message>
        <source>Client Location</source>
        <translation>Emplacement du client</translation>
    </message>
    <message>
        <source>Delete secondary server %1 from client list ?</source>
        <translation>Supprimer le serveur secondaire %1 de la liste des clients&#xa0;?</translation>
    </message>
    <message>
        <source>Please select a client item first in the list to delete.</source>
        <translation>Veuillez d&apos;abord sélectionner dans la liste le client à supprimer.</translation>
    </message>
    <message>
        <source>Edit settings of existent secondary client server</source>
        <translation>Modifier les paramètres du serveur secondaire</translation>
    </message>
    <message>
        <source>Add new secondary client server</source>
        <translation>Ajouter un serveur secondaire</translation>
    </message>
    <message>
        <source>Successfully started synchronization on client %1 (%2). Please wait for result.</source>
        <translation>Synchronisation démarrée sur le client %1 (%2). Veuillez attendre le résultat.</translation>
    </message>
    <message>
        <source>Failed to open socket for client %1 (%2)</source>
        <translation>Impossible d&apos;ouvrir le socket pour le client %1 (%2)</translation>
    </message>
    <message>
        <source>Failed to connect to client %1 (%2) to start synchronization</source>
        <translation>Impossible de joindre le client %1 (%2) pour démarrer la synchronisation</translation>
    </message>
    <message>
        <source>Failed to write socket command for client %1 (%2)</source>
        <translation>Impossible d&apos;envoyer la commande au client %1 (%2)</translation>
    </message>
    <message>
        <source>No acknowledge from client %1 (%2) if synchronization was started</source>
        <translation>Aucune confirmation du client %1 (%2) indiquant que la synchronisation a démarré</translation>
    </message>
    <message>
        <source>Synchronization of selected clients started. Please wait ...</source>
        <translation>Synchronisation des clients sélectionnés démarrée. Veuillez patienter...</translation>
    </message>
    <message>
        <source>Please select at least one secondary client to synchronize first !</source>
        <translation>Veuillez d&apos;abord sélectionner au moins un client secondaire à synchroniser&#xa0;!</translation>
    </message>
    <message>
        <source>No secondary clients for synchronization defined yet !
Please define the clients in the settings dialog.</source>
        <translation>Aucun client secondaire n&apos;est encore défini pour la synchronisation&#xa0;!
Veuillez définir les clients dans la boîte de dialogue des paramètres.</translation>
    </message>
    <message>
        <source>Failed to copy file from %s to %s !</source>
        <translation>Impossible de copier le fichier de %s vers %s&#xa0;!</translation>
    </message>
    <message>
        <source>Failed to get CRC from file %s  Error Code: %d !</source>
        <translation>Impossible de calculer le CRC du fichier %s  Code d&apos;erreur&#xa0;: %d&#xa0;!</translation>
    </message>
    <message>
        <source>Failed to download file %s !</source>
        <translation>Impossible de télécharger le fichier %s&#xa0;!</translation>
    </message>
    <message>
        <source>Failed to unzip file %s !</source>
        <translation>Impossible de décompresser le fichier %s&#xa0;!</translation>
    </message>
    <message>
        <source>File %s is newer then downloaded primary file: %s !</source>
        <translation>Le fichier %s est plus récent que le fichier téléchargé du serveur primaire&#xa0;: %s&#xa0;!</translation>
    </message>
    <message>
        <source>Failed to copy file %s to %s for backup</source>
        <translation>Impossible de copier le fichier %s vers %s pour la sauvegarde</translation>
    </message>
    <message>
        <source>CRC after download is still not identical for file %s. Local CRC: %s Primary CRC %s</source>
        <translation>Après le téléchargement, le CRC du fichier %s ne correspond toujours pas. CRC local&#xa0;: %s CRC primaire %s</translation>
    </message>
    <message>
        <source>File %s successfully synchronized</source>
        <translation>Fichier %s synchronisé avec succès</translation>
    </message>
    <message>
        <source>File %s is not existent !</source>
        <translation>Le fichier %s n&apos;existe pas&#xa0;!</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %s  Error Code: %d !</source>
        <translation>Impossible de récupérer le fichier de synchronisation depuis %s  Code d&apos;erreur&#xa0;: %d&#xa0;!</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %s  File after download not present !</source>
        <translation>Impossible de récupérer le fichier de synchronisation depuis %s  Fichier absent après le téléchargement&#xa0;!</translation>
    </message>
    <message>
        <source>Synchronization started automatically</source>
        <translation>Synchronisation démarrée automatiquement</translation>
    </message>
    <message>
        <source>Synchronization started by primary server %s</source>
        <translation>Synchronisation démarrée par le serveur primaire %s</translation>
    </message>
    <message>
        <source>Synchronization started manually. Please wait ...</source>
        <translation>Synchronisation démarrée manuellement. Veuillez patienter...</translation>
    </message>
    <message>
        <source>Failure durring synchronization   Files identical: %d   successfully synchronized: %d   failed: %d</source>
        <translation>Échec de la synchronisation   Fichiers identiques&#xa0;: %d   synchronisés avec succès&#xa0;: %d   en échec&#xa0;: %d</translation>
    </message>
    <message>
        <source>Synchronization was successful   Files identical: %d   successfully synchronized: %d</source>
        <translation>Synchronisation réussie   Fichiers identiques&#xa0;: %d   synchronisés avec succès&#xa0;: %d</translation>
    </message>
    <message>
        <source>No secondary clients for synchronization defined yet !
Import the client settings for the synchronization from the master/slave program settings ?</source>
        <translation>Aucun client secondaire n&apos;est encore défini pour la synchronisation&#xa0;!
Importer les clients depuis les paramètres maître/esclave du logiciel d&apos;alarme&#xa0;?</translation>
    </message>
    <message>
        <source>Successfully synchronized the system-time on client %1 (%2)</source>
        <translation>Heure système synchronisée avec succès sur le client %1 (%2)</translation>
    </message>
    <message>
        <source>Failed to synchronized the system-time on client %1 (%2)</source>
        <translation>Impossible de synchroniser l&apos;heure système sur le client %1 (%2)</translation>
    </message>
    <message>
        <source>Successfully synchronized the system-time with the primary server.</source>
        <translation>Heure système synchronisée avec succès avec le serveur primaire.</translation>
    </message>
    <message>
        <source>Error while synchronizing client %s !</source>
        <translation>Erreur lors de la synchronisation du client %s&#xa0;!</translation>
    </message>
    <message>
        <source>Client %s successfully synchronized</source>
        <translation>Client %s synchronisé avec succès</translation>
    </message>
    <message>
        <source>
Files identical: %d   successfully synchronized: %d</source>
        <translation>
Fichiers identiques&#xa0;: %d   synchronisés avec succès&#xa0;: %d</translation>
    </message>
    <message>
        <source>
Files identical: %d   successfully synchronized: %d   failed: %d</source>
        <translation>
Fichiers identiques&#xa0;: %d   synchronisés avec succès&#xa0;: %d   en échec&#xa0;: %d</translation>
    </message>
    <message>
        <source>Preparation for synchronization started automatically</source>
        <translation>Préparation de la synchronisation démarrée automatiquement</translation>
    </message>
    <message>
        <source>Preparation for synchronization started manually. Please wait ...</source>
        <translation>Préparation de la synchronisation démarrée manuellement. Veuillez patienter...</translation>
    </message>
    <message>
        <source>Successfully prepared data for synchronization</source>
        <translation>Données de synchronisation préparées avec succès</translation>
    </message>
    <message>
        <source>Error while preparing data for synchronization</source>
        <translation>Erreur lors de la préparation des données de synchronisation</translation>
    </message>
    <message>
        <source>Successfully prepared synchronization data.
Start synchronization on secondary client servers now ?</source>
        <translation>Données de synchronisation préparées avec succès.
Démarrer maintenant la synchronisation sur les serveurs secondaires&#xa0;?</translation>
    </message>
    <message>
        <source>ERROR: %s</source>
        <translation>ERREUR&#xa0;: %s</translation>
    </message>
    <message>
        <source>%d KB</source>
        <translation>%d Ko</translation>
    </message>
    <message>
        <source>The download directory %s lies in the synchronized data directory %s: files there would be deleted or replaced. Please choose another download directory; nothing is synchronized until then.</source>
        <translation>Le répertoire de téléchargement %s se trouve dans le répertoire de données synchronisé %s&#xa0;: les fichiers qui s&apos;y trouvent seraient supprimés ou remplacés. Veuillez choisir un autre répertoire de téléchargement&#xa0;; rien n&apos;est synchronisé d&apos;ici là.</translation>
    </message>
    <message>
        <source>The file %1 could not be opened: it does not exist, or no program for it could be started !</source>
        <translation>Le fichier %1 n&apos;a pas pu être ouvert&#xa0;: il n&apos;existe pas, ou aucun programme n&apos;a pu être lancé pour lui&#xa0;!</translation>
    </message>
    <message>
        <source>The file %1 exists, but no program opens it: xdg-open is missing. Install the package xdg-utils.</source>
        <translation>Le fichier %1 existe, mais aucun programme ne l&apos;ouvre&#xa0;: xdg-open est absent. Installez le paquet xdg-utils.</translation>
    </message>
    <message>
        <source>The settings directory %1 does not exist !
Create it, or name the directory that holds zezodi.ini in the environment variable ZEZODI_WINDIR, and start the program again. Until then no setting is kept.</source>
        <translation>Le répertoire des paramètres %1 n&apos;existe pas&#xa0;!
Créez-le, ou indiquez le répertoire qui contient zezodi.ini dans la variable d&apos;environnement ZEZODI_WINDIR, puis redémarrez le programme. D&apos;ici là, aucun paramètre n&apos;est conservé.</translation>
    </message>
    <message>
        <source>The settings file %1 is a directory !
Remove or rename that directory and start the program again. Until then no setting is kept.</source>
        <translation>Le fichier de paramètres %1 est un répertoire&#xa0;!
Supprimez ou renommez ce répertoire, puis redémarrez le programme. D&apos;ici là, aucun paramètre n&apos;est conservé.</translation>
    </message>
    <message>
        <source>The settings file %1 cannot be read !
Give the user who runs the program the right to read and write it, and start the program again. Until then the default settings are used.</source>
        <translation>Le fichier de paramètres %1 ne peut pas être lu&#xa0;!
Donnez à l&apos;utilisateur qui exécute le programme le droit de le lire et de l&apos;écrire, puis redémarrez le programme. D&apos;ici là, les paramètres par défaut sont utilisés.</translation>
    </message>
    <message>
        <source>The settings file %1 cannot be written !
Give the user who runs the program the right to write it (and its directory), and start the program again. Until then no change of a setting is kept.</source>
        <translation>Le fichier de paramètres %1 ne peut pas être écrit&#xa0;!
Donnez à l&apos;utilisateur qui exécute le programme le droit de l&apos;écrire (ainsi que son répertoire), puis redémarrez le programme. D&apos;ici là, aucune modification de paramètre n&apos;est conservée.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>Synchronize now</source>
        <translation>Synchroniser maintenant</translation>
    </message>
    <message>
        <source>Show logfile</source>
        <translation>Afficher le journal</translation>
    </message>
    <message>
        <source>Last synchronization:</source>
        <translation>Dernière synchronisation&#xa0;:</translation>
    </message>
    <message>
        <source>Synchronized files and errors:</source>
        <translation>Fichiers synchronisés et erreurs&#xa0;:</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Interval between synchronizations: </source>
        <translation>Intervalle entre les synchronisations&#xa0;: </translation>
    </message>
    <message>
        <source>Settings for primary synchronization tool</source>
        <translation>Paramètres de la synchronisation primaire</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>Nom du fichier</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>Extension</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Chemin</translation>
    </message>
    <message>
        <source>Last Modified</source>
        <translation>Dernière modification</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <source>CRC</source>
        <translation>CRC</translation>
    </message>
    <message>
        <source>CRC Secondary</source>
        <translation>CRC secondaire</translation>
    </message>
    <message>
        <source>CRC Primary</source>
        <translation>CRC primaire</translation>
    </message>
    <message>
        <source>Client Synchronization</source>
        <translation>Synchronisation des clients</translation>
    </message>
    <message>
        <source>Files for synchronization</source>
        <translation>Fichiers à synchroniser</translation>
    </message>
    <message>
        <source>Synchronized files</source>
        <translation>Fichiers synchronisés</translation>
    </message>
    <message>
        <source>Local files:</source>
        <translation>Fichiers locaux&#xa0;:</translation>
    </message>
    <message>
        <source>Compare Ini-files</source>
        <translation>Comparer les fichiers INI</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Files %1 of %2, %3 bytes</source>
        <translation>Fichiers %1 sur %2, %3 octets</translation>
    </message>
    <message>
        <source>Files %1</source>
        <translation>Fichiers %1</translation>
    </message>
    <message>
        <source>Talking to client %1 (%2) ...</source>
        <translation>Échange avec le client %1 (%2) ...</translation>
    </message>
    <message>
        <source>Please specify a value between 0 and 255 for this field.</source>
        <translation>Veuillez indiquer une valeur entre 0 et 255 pour ce champ.</translation>
    </message>
    <message>
        <source>About Zezodi</source>
        <translation>À propos de Zezodi</translation>
    </message>
    <message>
        <source>Zezodi, Version 3.1</source>
        <translation>Zezodi, version 3.1</translation>
    </message>
    <message>
        <source>Client Settings</source>
        <translation>Paramètres du client</translation>
    </message>
    <message>
        <source>Computer-Name of client:</source>
        <translation>Nom de l&apos;ordinateur client&#xa0;:</translation>
    </message>
    <message>
        <source>IP-Address of client:</source>
        <translation>Adresse IP du client&#xa0;:</translation>
    </message>
    <message>
        <source>Location of client:</source>
        <translation>Emplacement du client&#xa0;:</translation>
    </message>
    <message>
        <source>Start client synronisation</source>
        <translation>Démarrer la synchronisation des clients</translation>
    </message>
    <message>
        <source>Select secondary client servers to synchronize now</source>
        <translation>Sélectionnez les serveurs secondaires à synchroniser maintenant</translation>
    </message>
    <message>
        <source>Synchronize system-time on client servers with primary server</source>
        <translation>Synchroniser l&apos;heure système des clients avec le serveur primaire</translation>
    </message>
    <message>
        <source>Synchronize selected clients</source>
        <translation>Synchroniser les clients sélectionnés</translation>
    </message>
    <message>
        <source>Report on client synchronization:</source>
        <translation>Rapport de synchronisation des clients&#xa0;:</translation>
    </message>
    <message>
        <source>Primary settings</source>
        <translation>Paramètres du serveur primaire</translation>
    </message>
    <message>
        <source>Web-Server Document Path:</source>
        <translation>Répertoire des documents du serveur web&#xa0;:</translation>
    </message>
    <message>
        <source>All data which needs to be synchronize will be copied to this directory.</source>
        <translation>Toutes les données à synchroniser sont copiées dans ce répertoire.</translation>
    </message>
    <message>
        <source>hours</source>
        <translation>heures</translation>
    </message>
    <message>
        <source>Zip files automatically for download if bigger then </source>
        <translation>Compresser automatiquement les fichiers à télécharger au-delà de </translation>
    </message>
    <message>
        <source>KB.</source>
        <translation>Ko.</translation>
    </message>
    <message>
        <source>Use Gzip program to zip files</source>
        <translation>Compresser les fichiers avec Gzip</translation>
    </message>
    <message>
        <source>Use program to zip:</source>
        <translation>Utiliser le programme de compression&#xa0;:</translation>
    </message>
    <message>
        <source>IP-Address of this server:</source>
        <translation>Adresse IP de ce serveur&#xa0;:</translation>
    </message>
    <message>
        <source>Automatically synchronize system-time on client servers with primary server</source>
        <translation>Synchroniser automatiquement l&apos;heure système des clients avec le serveur primaire</translation>
    </message>
    <message>
        <source>Secondary client servers:</source>
        <translation>Serveurs secondaires (clients)&#xa0;:</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Ajouter</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Modifier</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Change to secondary server</source>
        <translation>Passer en serveur secondaire</translation>
    </message>
    <message>
        <source>Secondary settings</source>
        <translation>Paramètres du serveur secondaire</translation>
    </message>
    <message>
        <source>http path to get synchronization data from:</source>
        <translation>Chemin HTTP des données de synchronisation&#xa0;:</translation>
    </message>
    <message>
        <source>Web address of the primary server with the path for the data to synchronize</source>
        <translation>Adresse web du serveur primaire avec le chemin des données à synchroniser</translation>
    </message>
    <message>
        <source>Directory to download the data to:</source>
        <translation>Répertoire de téléchargement des données&#xa0;:</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>Use Gzip program to unzip files</source>
        <translation>Décompresser les fichiers avec Gzip</translation>
    </message>
    <message>
        <source>Use program to unzip:</source>
        <translation>Utiliser le programme de décompression&#xa0;:</translation>
    </message>
    <message>
        <source>Change to primary server</source>
        <translation>Passer en serveur primaire</translation>
    </message>
    <message>
        <source>&amp;Allowed primary servers (addresses or names, * for everyone):</source>
        <translation>Serveurs primaires &amp;autorisés (adresses ou noms, * pour tous)&#xa0;:</translation>
    </message>
    <message>
        <source>Other allowed clients (addresses or names, * for everyone):</source>
        <translation>Autres clients autorisés (adresses ou noms, * pour tous)&#xa0;:</translation>
    </message>
    <message>
        <source>Compare local Ini-files with primary Ini-files</source>
        <translation>Comparer les fichiers INI locaux avec ceux du serveur primaire</translation>
    </message>
    <message>
        <source>Primary ini-files:</source>
        <translation>Fichiers INI du serveur primaire&#xa0;:</translation>
    </message>
    <message>
        <source>Compare selected Ini-files</source>
        <translation>Comparer les fichiers INI sélectionnés</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Comparer</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Retour</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Veuillez entrer un nombre entier.</translation>
    </message>
    <message>
        <source>The settings could not be written to %1 !</source>
        <translation>Les paramètres n&apos;ont pas pu être enregistrés dans %1&#xa0;!</translation>
    </message>
    <message>
        <source>The path %1 is longer than %2 characters and cannot be used. Please enter a shorter path.</source>
        <translation>Le chemin %1 dépasse %2 caractères et ne peut pas être utilisé. Veuillez saisir un chemin plus court.</translation>
    </message>
    <message>
        <source>%1 = %2 is longer than %3 characters. Please enter a shorter path.</source>
        <translation>%1 = %2 dépasse %3 caractères. Veuillez saisir un chemin plus court.</translation>
    </message>
    <message>
        <source>%1 is not published: its name cannot be carried by the catalogue !</source>
        <translation>%1 n&apos;est pas publié&#xa0;: son nom ne peut pas figurer dans le catalogue&#xa0;!</translation>
    </message>
    <message>
        <source>%1 is not published: its name differs from %2 only in letter case !</source>
        <translation>%1 n&apos;est pas publié&#xa0;: son nom ne diffère de %2 que par la casse&#xa0;!</translation>
    </message>
    <message>
        <source>%1 is not published: its name is taken by the packed copy of %2 !</source>
        <translation>%1 n&apos;est pas publié&#xa0;: son nom est déjà pris par la copie compressée de %2&#xa0;!</translation>
    </message>
    <message>
        <source>The published files in %1 could not be written to disk: %2 !</source>
        <translation>Les fichiers publiés dans %1 n&apos;ont pas pu être écrits sur le disque&#xa0;: %2&#xa0;!</translation>
    </message>
    <message>
        <source>The prepared data could not be published in %1: %2 !</source>
        <translation>Les données préparées n&apos;ont pas pu être publiées dans %1&#xa0;: %2&#xa0;!</translation>
    </message>
    <message>
        <source>Section %1 lists %2 files: secondaries running on Windows read only the first %3 !</source>
        <translation>La section %1 contient %2 fichiers&#xa0;: les serveurs secondaires sous Windows ne lisent que les %3 premiers&#xa0;!</translation>
    </message>
    <message>
        <source>The synchronization file %1 is larger than %2 MB and is not read !</source>
        <translation>Le fichier de synchronisation %1 dépasse %2 Mo et n&apos;est pas lu&#xa0;!</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %s  File has no valid version stamp !</source>
        <translation>Impossible de récupérer le fichier de synchronisation depuis %s  Le fichier n&apos;a pas de tampon de version valide&#xa0;!</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %s  File is incomplete, its end mark is missing !</source>
        <translation>Impossible de récupérer le fichier de synchronisation depuis %s  Le fichier est incomplet, sa marque de fin manque&#xa0;!</translation>
    </message>
    <message>
        <source>No space left on device in %s !</source>
        <translation>Plus d&apos;espace disponible sur le périphérique dans %s&#xa0;!</translation>
    </message>
    <message>
        <source>Synchronization stopped before its end: the files done are in place, the others as they were.</source>
        <translation>Synchronisation arrêtée avant la fin : les fichiers traités sont en place, les autres inchangés.</translation>
    </message>
    <message>
        <source>%1 already runs on this computer, as a service or for another user.
Stop it before starting it here.</source>
        <translation>%1 est déjà en cours d&apos;exécution sur cet ordinateur, en tant que service ou pour un autre utilisateur.
Arrêtez-le avant de le démarrer ici.</translation>
    </message>
    <message>
        <source>The system-time could not be set to the primary server&apos;s time: %1 !</source>
        <translation>Impossible de régler l&apos;heure système sur celle du serveur primaire&#xa0;: %1 !</translation>
    </message>
    <message>
        <source>The sync catalogue cannot be signed: %1 !</source>
        <translation>Impossible de signer le catalogue de synchronisation&#xa0;: %1 !</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %1  The catalogue is not signed !</source>
        <translation>Impossible d&apos;obtenir le fichier de synchronisation de %1  Le catalogue n&apos;est pas signé !</translation>
    </message>
    <message>
        <source>Failed to get SyncFile from %1  The catalogue is not signed by a trusted key, or was altered !</source>
        <translation>Impossible d&apos;obtenir le fichier de synchronisation de %1  Le catalogue n&apos;est pas signé par une clé de confiance, ou a été modifié !</translation>
    </message>
    <message>
        <source>SHA-256 after download is not the primary&apos;s for file %1 !</source>
        <translation>Le SHA-256 après téléchargement n&apos;est pas celui du serveur primaire pour le fichier %1 !</translation>
    </message>
    <message>
        <source>Primary server&apos;s public &amp;keys (empty: catalogues are not checked):</source>
        <translation>&amp;Clés publiques du serveur primaire (vide&#xa0;: catalogues non vérifiés)&#xa0;:</translation>
    </message>
    <message>
        <source>The primary server&apos;s public keys are not valid keys.
Paste the line that zezodictl key show prints on the primary, or two of them separated by a blank while the key changes.</source>
        <translation>Les clés publiques du serveur primaire ne sont pas des clés valides.
Collez la ligne qu&apos;affiche zezodictl key show sur le serveur primaire, ou deux d&apos;entre elles séparées par un espace pendant le changement de clé.</translation>
    </message>
    <message>
        <source>Network failure: the primary server could not be reached at %1. Check WebDocPath and that the primary server and its web server run.</source>
        <translation>Erreur réseau&#xa0;: le serveur primaire n&apos;a pas pu être joint à %1. Vérifiez WebDocPath et que le serveur primaire et son serveur web fonctionnent.</translation>
    </message>
    <message>
        <source>The certificate of the web server at %1 could not be verified. Check CaCertificate, or the server&apos;s certificate.</source>
        <translation>Le certificat du serveur web à %1 n&apos;a pas pu être vérifié. Vérifiez CaCertificate, ou le certificat du serveur.</translation>
    </message>
    <message>
        <source>The web server at %1 answered with an error (for example 404, not found). Check that WebDocPath names the primary server&apos;s synchronization data and that it has prepared them.</source>
        <translation>Le serveur web à %1 a répondu par une erreur (par exemple 404, introuvable). Vérifiez que WebDocPath désigne les données de synchronisation du serveur primaire et qu&apos;il les a préparées.</translation>
    </message>
    <message>
        <source>State of the secondary servers</source>
        <translation>État des serveurs secondaires</translation>
    </message>
    <message>
        <source>In sync</source>
        <translation>Synchronisé</translation>
    </message>
    <message>
        <source>Behind</source>
        <translation>En retard</translation>
    </message>
    <message>
        <source>Silent</source>
        <translation>Silencieux</translation>
    </message>
    <message>
        <source>Never heard</source>
        <translation>Aucun rapport</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Emplacement</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Last report</source>
        <translation>Dernier rapport</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Preparation for synchronization stopped before its end: the secondaries are still given the data prepared before.</source>
        <translation>Préparation de la synchronisation arrêtée avant la fin&#xa0;: les serveurs secondaires reçoivent toujours les données préparées auparavant.</translation>
    </message>
</context>
</TS>
