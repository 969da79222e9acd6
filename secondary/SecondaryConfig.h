#pragma once

#include "secondary/SecondarySettings.h"

#include <string>

class CMessageSink;

// The secondary's start-up settlement of zezodi.ini: reads every key of the role in a fixed
// order, writes the defaults back so that the keys stand in the file for editing, creates the
// download directory, finds the unpacker and shows the messages 119 and 120.
class CSecondaryConfig
{
public:
    explicit CSecondaryConfig(CMessageSink& messages);

    // The whole settlement; the timer and the listener are the window's part. When the
    // download directory cannot be created the settlement stops after message 119 with
    // `initialised` false; the section directories are formed all the same, so that a run
    // started by hand never works relative to the process's current directory.
    SSecondarySettings Normalise();

    // Fills the installation, Windows, log and section directories of settings.
    static void SectionDirectories(SSecondarySettings& settings);

    // The section directory that downloadDir is, or lies in when that is the installation's own
    // web tree (any directory there may be a sub-section); empty when downloadDir is no data
    // directory. Downloads delete and replace files in their directory, so a data directory
    // must never be the download directory.
    static std::string DataDirectoryAt(const SSecondarySettings& settings,
                                       const std::string& downloadDir);

private:
    bool DownloadDirectory(SSecondarySettings& settings, const std::string& drive);
    std::string UnzipProgram();

    CMessageSink& m_messages;
};
