#pragma once

#include "secondary/SecondarySettings.h"

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
};
