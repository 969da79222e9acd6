#pragma once

#include "core/StringTable.h"
#include "secondary/SecondarySettings.h"

#include <optional>
#include <string>
#include <string_view>

// The command lines of every wget a secondary runs: the design's "wget URL", with the CA
// certificate of an https primary that a private authority certified when one is set.
class CWgetCommand
{
public:
    // "wget [--ca-certificate=FILE] URL", the URL quoted for the program runner.
    static std::string Line(const SSecondarySettings& settings, std::string_view url);

    // The options to put after "wget": empty, or the CA certificate's with a blank before it.
    static std::string Options(const SSecondarySettings& settings);

    // What a failed wget's exit status means and what to check, for the statuses that say
    // more than their number (network failure, certificate, server error): a text with the
    // URL as its field.
    static std::optional<StringId> FailureMeaning(int exitStatus);
};
