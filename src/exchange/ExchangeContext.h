#pragma once

#include "link/RegistrarLink.h"

#include <functional>
#include <string>

namespace kest {

class EventPump;
class ExchangeLog;
class Prompter;
class RegistrarImage;
struct Catalog;
struct ReadInputs;

/// The progress bar of the exchange window (0..11); nothing on the command line.
class ExchangeProgress
{
public:
    virtual ~ExchangeProgress() = default;
    virtual void setPosition(int position) = 0;
    virtual void step() = 0;
};

/// What a long registrar operation works with, so readers take one argument. The
/// tries and pause are the exchange window's attempts and pause controls (KOLP and
/// TWORK of NN.INI, clamped).
struct ExchangeContext
{
    RegistrarLink& link;
    ExchangeState& state;
    EventPump& pump;
    ExchangeLog& log;
    Prompter& prompter;
    Catalog& catalog;
    RegistrarImage& image;
    Clock& clock;
    int tries = 3;        ///< attempts per command, KOLP
    int pauseSeconds = 3; ///< pause after a failed attempt, TWORK seconds
    /// Directory of the tables and KEST.INI, ending in '/'.
    std::string databasePath;
    ExchangeProgress* progress = nullptr;
    /// The exchange window's record counter (KolArhEdit): on the page link a value
    /// from 1 below the catalog's count limits how many records the passes take;
    /// 0 means all.
    int recordLimit = 0;
    /// A read run again from a session file takes the marks and controller values
    /// the first run used from here instead of KEST.INI and the tables.
    const ReadInputs* recordedInputs = nullptr;
};

/// The calling pattern of every catalog, time-stamp and archive read: up to `tries`
/// times, pump events, run `command` unless a stop was requested and store its code
/// in ExchangeStatus, pump again, and after a failure (without a stop) pause
/// `pauseSeconds` × `factor` ms. Stops at the first success. With no tries nothing is
/// sent. Returns ExchangeStatus.
int RunCommandWithTries(
    ExchangeContext& ctx, int tries, int pauseSeconds, int factor, const std::function<int()>& command);

/// The same with the context's own tries and pause.
int RunCommandWithTries(ExchangeContext& ctx, int factor, const std::function<int()>& command);

/// How many records a record counter leaves of `count`: the count, or
/// `recordLimit` when that is from 1 to below the count.
int limitedRecordCount(int count, int recordLimit);

/// How many catalog records the reading and storing passes take: the catalog's
/// count, or on the page link the record limit when it is from 1 below the count.
int passRecordCount(const ExchangeContext& ctx);

/// Pause factors in milliseconds per pause second.
inline constexpr int kCatalogPageFactor = 500; ///< catalog pages on the page link
inline constexpr int kDefaultFactor = 1000;    ///< every other read

} // namespace kest
