#pragma once

#include <string_view>

// The preparation's log lines beyond the design's own: fixed English, "%s" and "%d" filled in
// order.
namespace BuildLogTexts {

constexpr std::string_view kNotPublishableLog =
    "File %s is not published: its name cannot be carried by the catalogue";
constexpr std::string_view kCaseTwinLog =
    "File %s is not published: its name differs from %s only in letter case";
constexpr std::string_view kPackedNameTakenLog =
    "File %s is not published: its name is taken by the packed copy of %s";
constexpr std::string_view kPublishedUnpackedLog =
    "File %s is published unpacked: its packed name %s belongs to another file";
constexpr std::string_view kWebDirectorySkippedLog =
    "Skipped directory %s: it is the web directory";
constexpr std::string_view kFlushFailedLog =
    "Failed to write the published files in %s to disk: %s";
constexpr std::string_view kStateWriteFailedLog =
    "Failed to write %s: the next preparation publishes every file again";
constexpr std::string_view kNotPublishedLog = "Failed to publish the prepared data in %s: %s";
constexpr std::string_view kPackedCopyLostLog =
    "The packer left neither a packed copy nor the copy of %s with its CRC";
constexpr std::string_view kNotSignedLog = "The sync catalogue cannot be signed: %s";
constexpr std::string_view kShaFailedLog = "Failed to get SHA-256 from file %s  Error Code: %d";

} // namespace BuildLogTexts
