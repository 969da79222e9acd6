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

std::optional<StringId> CWgetCommand::FailureMeaning(int exitStatus)
{
    // wget's documented exit statuses.
    constexpr int kNetworkFailure = 4;
    constexpr int kCertificateFailure = 5;
    constexpr int kServerError = 8;
    switch (exitStatus) {
    case kNetworkFailure:
        return StringId::WgetNetworkFailure;
    case kCertificateFailure:
        return StringId::WgetCertificateFailure;
    case kServerError:
        return StringId::WgetServerError;
    default:
        return std::nullopt;
    }
}
