#pragma once

#include "grid/PrintJob.h"
#include "grid/TableModel.h"
#include "reports/BlankFile.h"

namespace kest {

/// The printed report: the upper title (when the blank has one), the report table and
/// the lower title (when it has one) in one document. The report table's pages carry
/// "Страница 1" and then "Страница " + n; with both titles its first page carries no
/// header, and with only a lower title the blank's name is the header's third line.
PrintJob MakeReportPrintJob(const BlankRecord& blank,
                            const TableModel& upgrid,
                            const TableModel& basegrid,
                            const TableModel& downgrid);

} // namespace kest
