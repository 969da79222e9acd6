#pragma once

#include "core/ClientReport.h"
#include "core/RunOutcome.h"

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// The texts of the control protocol, byte for byte those of the Windows peers: a keyword, then
// each field after one carriage return, no line end at the end; the reply is "ack" and the
// replying side's name.
class CProtocolMessages
{
public:
    static constexpr std::string_view kStartSync = "start_sync";
    static constexpr std::string_view kSetTime = "set_time";
    static constexpr std::string_view kSyncResult = "sync_result";
    static constexpr std::string_view kAck = "ack";

    // Bytes read in one receive, the terminating zero included.
    static constexpr std::size_t kCommandBufferSize = 512;
    static constexpr std::size_t kAckBufferSize = 80;

    // Tenths of a second.
    static constexpr int kAcceptTimeout = 10000;
    static constexpr int kAckTimeout = 3000;
    // A primary acknowledges a report at once; this bounds how long a secondary's window waits
    // for it.
    static constexpr int kResultAckTimeout = 100;

    static constexpr int kSyncSucceeded = 1;
    static constexpr int kSyncFailed = -1;

    // "start_sync\r%s\r%s": the primary's name and address.
    static std::string StartSync(std::string_view ownName, std::string_view primaryAddress);
    // "set_time\r%d\r%d\r%d\r%d\r%d\r%d": day, month, year, hour, minute, second of utc.
    static std::string SetTime(const std::tm& utc);
    // "sync_result\r%s\r%d", and when outcome is given its stamp and counters after them as
    // "key=value" fields: "stamp=%s" (left out while no catalogue was ever applied),
    // "identical=%d", "synchronised=%d", "failed=%d". A Windows primary reads the name and the
    // code only and passes over the rest.
    static std::string SyncResult(std::string_view ownName, int code,
                                  const SRunOutcome* outcome = nullptr);
    // The name (tokens[1], as sent), the code (tokens[2] as LeadingInteger reads it) and, when
    // all three counters are there and every known field reads, the stamp and the counters of
    // a sync_result's tokens; report.detailed tells which. Unknown fields are passed over.
    // False, report unchanged, when the name or the code is missing.
    static bool ParseSyncResult(const std::vector<std::string>& tokens, SClientReport& report);
    // "ack\r%s".
    static std::string Ack(std::string_view ownName);
    // "ack\r%s\rclock not set: %s": a set_time received and acknowledged whose clock could not
    // be set, and why. Windows primaries read the first two fields only and take it as an ack.
    static std::string AckClockNotSet(std::string_view ownName, std::string_view reason);
    // The reason of an AckClockNotSet reply, printable; empty for any other reply.
    static std::string ClockNotSetReason(std::string_view reply);

    // What a secondary's listener hands its window for a start_sync: "%s;%s", the primary's
    // name and the address its result goes to. A name may hold ';', an address never does: the
    // text is split at its last ';', and an address with a ';' is no address.
    static std::string SyncRequest(std::string_view primaryName, std::string_view address);
    struct SSyncRequest
    {
        std::string primaryName;
        std::string address;
    };
    static SSyncRequest SplitSyncRequest(std::string_view text);

    // The tokens of a received text: CR and LF both separate, runs of them count as one, so
    // no token is empty.
    static std::vector<std::string> Tokenise(std::string_view text);

    // A reply whose first token is exactly "ack"; the name after it is not checked.
    static bool IsValidAck(std::string_view reply);

    // The six fields of a set_time (tokens[1] to tokens[6]) as a UTC calendar time. False when
    // a field is missing, is not a plain decimal number or names no real date and time; utc
    // is then left as it was.
    static bool ParseSetTime(const std::vector<std::string>& tokens, std::tm& utc);

    // The tokens joined by blanks, control bytes and bytes that are not UTF-8 shown as "\xhh",
    // cut to 120 bytes: what a log line shows of a text from the network.
    static std::string ForLog(const std::vector<std::string>& tokens);

    // The decimal integer at the start of a token (after blanks, with an optional sign), 0 when
    // there is none or it does not fit, as the Windows peers read a result code.
    static long long LeadingInteger(std::string_view token);
};
