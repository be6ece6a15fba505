#pragma once

#include "exchange/ExchangeContext.h"

#include <string>
#include <vector>

namespace kest {

/// "считать все": the controller choice of the blank editor and of both standard
/// form windows. "нет" first, then one "SNAME (XXXX)" per row of the controller
/// table in table order. A database failure sets ExchangeStatus 43, logs it and
/// shows message 43; with 43 in ExchangeStatus (now or left by an earlier failure,
/// which this command does not clear) the list is "нет" alone.
std::vector<std::string> ControllerChoiceList(ExchangeContext& ctx);

/// One row of the event window's controller grid.
struct EventControllerRow
{
    std::string name; ///< SNAME
    std::string code; ///< four hex digits, "..." for controller 0000
};

struct EventControllerList
{
    std::vector<EventControllerRow> rows;
    /// The controller table could not be read: ExchangeStatus is 43 and the main
    /// menu hides the event archive item.
    bool EventListFailed = false;
};

/// The event window's controller grid. A failure shows message 43 unless `quiet`
/// (the program's GuardFlag was set when the command ran).
EventControllerList EventControllerRows(ExchangeContext& ctx, bool quiet);

/// The heading row of that grid.
inline constexpr const char* kEventNameHeading = "Имя МЕРАН:";
inline constexpr const char* kEventCodeHeading = "Зав. №";

} // namespace kest
