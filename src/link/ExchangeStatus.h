#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kest {

/// The status codes that the program itself sets; every other code of the message
/// table belongs to older registrar firmware and is only ever shown.
enum StatusCode : std::int32_t
{
    kStatusOk = 0,
    kStatusNoAnswer = 1,         ///< no reply, or the port cannot be opened
    kStatusNoAcknowledge = 2,    ///< the registrar answered 05 but refused the frame
    kStatusSendChecksum = 3,     ///< the registrar saw a wrong checksum (15)
    kStatusReceiveChecksum = 4,  ///< the reply's checksum is wrong
    kStatusNoData = 5,           ///< the reply is short
    kStatusNoBytes = 8,          ///< a byte could not be written
    kStatusStopped = 23,         ///< the user pressed "СТОП"
    kStatusSettingsMissing = 41, ///< NN.INI lacks what the program needs
    kStatusDatabase = 43,        ///< a table is missing or the engine failed
};

/// The outcome of the last exchange and the user's request to stop, shared by the
/// link, the readers and whoever shows the result.
struct ExchangeState
{
    std::int32_t ExchangeStatus = 0;
    bool StopRequested = false;
    /// The system's words for the last failure ("database is locked", "No such file
    /// or directory"), set beside the code where there are any. The windows show the
    /// message alone; the command line adds these words to its line.
    std::string FailureReason;
};

/// The 51 message texts, blanks included, indexed by status code.
extern const std::array<std::string_view, 51> ExchangeMessages;

/// The text of a code; a code outside the table gives its number.
std::string exchangeMessage(std::int32_t code);

/// The log line of a code: one blank and the message.
std::string exchangeLogLine(std::int32_t code);

} // namespace kest
