#include "secondary/WgetCommand.h"

#include "core/CommandLine.h"

std::string CWgetCommand::Line(const SSecondarySettings& settings, std::string_view url)
{
    return "wget" + Options(settings) + " " + CCommandLine::Quote(std::string{url});
}

std::string CWgetCommand::Options(const SSecondarySettings& settings)
{
    return settings.caCertificate.empty()
               ? std::string{}
               : " " + CCommandLine::Quote("--ca-certificate=" + settings.caCertificate);
}
