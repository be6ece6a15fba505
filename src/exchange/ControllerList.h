#pragma once

#include "exchange/ExchangeContext.h"

#include <string>
#include <vector>

namespace kest {

class ArchiveDatabase;

/// One row of the archive settings window's controller list.
struct ControllerListRow
{
    int number = 0;
    std::string name;
    std::string controllerText; ///< also the section name in KEST.INI
    bool hasSection = false;    ///< KEST.INI holds marks for it
    DateTime recordTime = 0;    ///< 0 when it was not read
};

struct ControllerList
{
    std::vector<ControllerListRow> rows;
    /// A record time could not be read; the rows after it stay empty.
    bool linkFailed = false;
};

/// How the archive settings window rebuilds its list; the passes take the defaults.
struct ControllerListScope
{
    /// False once a record time failed while the window was open: later rebuilds
    /// read nothing more from the registrar until it is opened again.
    bool readTimes = true;
};

/// The list rebuild: for every catalog record, the controller's name and settlement
/// values (rhour, rday, avans, smin) come from the controller tables into its image
/// record, and, unless `storingPass`, its time stamp is read from the registrar
/// again. A missing KEST.INI is created empty. `db` may be null when the tables
/// could not be opened: that is the database failure of the first row.
ControllerList RebuildControllerList(ExchangeContext& ctx,
                                     ArchiveDatabase* db,
                                     bool storingPass,
                                     const ControllerListScope& scope = {});


/// "Ошибка связи с регистратором:" and the status text, as the box shows it.
std::string linkFailureMessage(int status);

} // namespace kest
