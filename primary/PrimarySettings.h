#pragma once

#include <string>

// The primary's settings as its initialisation settles them; the catalogue builder, the
// listener and the window work from this copy.
struct SPrimarySettings
{
    std::string webDir;          // CopyToWebPath: published copies and the catalogue
    std::string cataloguePath;   // webDir/zezodi.txt
    std::string workingCopyPath; // webDir/zezodi.tmp
    bool useGzip = true;         // UseGZip = 1; otherwise zipProg packs
    std::string zipProg;
    int zipIfBigger = 1024; // KB; larger files are packed
    std::string doNotSyncFiles;
    std::string installDir;
    std::string logDir;
    int syncSystemQueueDb = 1;
    // SyncJxalarmIni as read at start and again whenever the settings dialog opens.
    int syncJxalarmIni = 0;
    std::string lastSync; // "Last synchronization:" text, empty when never prepared
    bool controlFeatures = true;
    std::string computerName; // read only when the control features are on
    int port = 4020;
    int port2 = 4021;
    std::string primaryIp;
    int intervalHours = 12;
    int syncClientSystemTime = 0;
    // The secret key that signs every catalogue: SigningKeyFile, else zezodi.key in the
    // Windows directory when it exists; empty: catalogues are not signed.
    std::string signingKeyFile;
};
