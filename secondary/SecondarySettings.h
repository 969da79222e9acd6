#pragma once

#include <string>

// The secondary's settings as its initialisation settles them, with the local directories of
// the catalogue's sections; the synchronisation run, the listener and the window work from
// this copy.
struct SSecondarySettings
{
    // False when the download directory could not be created: the initialisation stopped
    // there, so no timer and no listener are started.
    bool initialised = true;
    std::string webPath;     // WebDocPath: base URL of the primary's synchronisation data
    std::string downloadDir; // DownLoadPath: where wget saves
    bool useGzip = true;     // UseGZip = 1; otherwise unzipProg unpacks
    std::string unzipProg;
    std::string installDir;
    std::string windowsDir;
    std::string logDir;
    // Section directories: db1, dbv1, apache/htdocs and jx_web/htdocs below the drive, each
    // level found whatever its letter case; the last is the installation's own web root, the
    // top of the sub-section tree.
    std::string db1Dir;
    std::string dbv1Dir;
    std::string apacheRootDir;
    std::string ownWebRootDir;
    std::string lastSync; // "Last synchronization:" text, empty when never synchronised
    int intervalMinutes = 30;
    bool controlFeatures = true;
    std::string computerName; // read only when the control features are on
    int port = 4020;
    int port2 = 4021;
    // PrimaryPublicKey: the keys whose signature a catalogue must carry; empty: not checked.
    std::string primaryKeys;
    // CaCertificate: passed to every wget, for an https primary with its own authority.
    std::string caCertificate;
};
