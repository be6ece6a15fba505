#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kest {

/// The log pane of the exchange window; stdout on the command line.
class ExchangeLog
{
public:
    virtual ~ExchangeLog() = default;
    virtual void append(const std::string& line) = 0;
};

class StreamExchangeLog final : public ExchangeLog
{
public:
    explicit StreamExchangeLog(std::ostream& out) : m_out(out) {}
    void append(const std::string& line) override { m_out << line << '\n' << std::flush; }

private:
    std::ostream& m_out;
};

/// Keeps every line, for tests and for windows that show the log later.
class MemoryExchangeLog final : public ExchangeLog
{
public:
    void append(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

} // namespace kest
