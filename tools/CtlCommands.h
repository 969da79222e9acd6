#pragma once

#include <ostream>
#include <string>
#include <vector>

// The commands of zezodictl. Run returns the exit status: 0 done, 1 a failure (reported on err),
// 2 bad arguments (reported on err with the usage text).
class CCtlCommands
{
public:
    static constexpr int kExitFailure = 1;
    static constexpr int kExitUsage = 2;

    // terminal: err is a terminal, which gets progress lines rewritten in place.
    CCtlCommands(std::ostream& out, std::ostream& err, bool terminal = false);

    int Run(const std::vector<std::string>& args);

private:
    int Ini(const std::vector<std::string>& args);
    int IniGet(const std::vector<std::string>& args);
    int IniGetInt(const std::vector<std::string>& args);
    int IniSet(const std::vector<std::string>& args);
    int Crc(const std::vector<std::string>& args);
    int CatalogueShow(const std::vector<std::string>& args);
    int Prepare(const std::vector<std::string>& args);
    int Sync(const std::vector<std::string>& args);
    int Send(const std::vector<std::string>& args);
    int ListenResults(const std::vector<std::string>& args);
    int Serve(const std::vector<std::string>& args);
    int Key(const std::vector<std::string>& args);
    int Status(const std::vector<std::string>& args);
    int BadArguments(const std::string& problem);
    void Usage(std::ostream& to);

    std::ostream& m_out;
    std::ostream& m_err;
    bool m_terminal;
};
