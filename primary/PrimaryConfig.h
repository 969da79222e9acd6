#pragma once

#include "primary/PrimarySettings.h"

#include <string>

class CMessageSink;

// The primary's start-up settlement of zezodi.ini: reads every key of the role in a fixed
// order, writes the defaults back so that the keys stand in the file for editing, detects the
// web directory and the compression program, and shows the messages 108 and 120.
class CPrimaryConfig
{
public:
    explicit CPrimaryConfig(CMessageSink& messages);

    // The whole settlement; the sockets, the listener and the timer are the window's part.
    SPrimarySettings Normalise();

    // SyncJxalarmIni as stored, its default when absent (nothing written). Read at every
    // start, so that the window and zezodictl prepare build with the operator's switch.
    static int SyncJxalarmIni();

private:
    // CopyToWebPath when it names a directory, else the detected default (written back), and
    // the directory created (its last level) when missing.
    std::string WebDirectory(const std::string& installDir);
    std::string DetectWebDirectory(const std::string& installDir);
    std::string ZipProgram();

    CMessageSink& m_messages;
};
