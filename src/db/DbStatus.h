#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace kest {

/// The text the storing code compares with to tell an existing row from a failure.
inline constexpr std::string_view kKeyViolation = "Key violation.";

/// The outcome of one database operation: success, a duplicate primary key
/// (message "Key violation."), or any other failure with the engine's own text.
struct DbStatus
{
    enum Code
    {
        Ok,
        KeyViolation,
        Failed
    };
    Code code = Ok;
    std::string message;
    /// The server aborted the transaction to break a deadlock or keep transactions
    /// serializable; running it again from its start is expected to succeed.
    bool retryable = false;

    bool ok() const { return code == Ok; }
    static DbStatus success() { return {}; }
    static DbStatus failure(std::string text) { return {Failed, std::move(text)}; }
};

/// A field value as the tables hold it.
using DbValue = std::variant<std::monostate, std::int64_t, double, std::string>;

} // namespace kest
