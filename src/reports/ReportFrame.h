#pragma once

#include "grid/TableModel.h"
#include "reports/BlankFile.h"
#include "reports/ReportPeriod.h"

#include <string>

namespace kest {

/// 1 (the date/time column) plus the leading value columns that have a caption; the
/// first empty caption ends the table.
int ReportColumnCount(const BlankRecord& blank);

/// Sets the report table up for a build: columns, widths, the heading rows and the
/// first column's heading. Returns HeaderRows: 2 when any group has a caption, else 1.
int PrepareFrame(TableModel& table, const BlankRecord& blank);

/// The fixed heading rows: group titles (groups 1 to 5 only) and column captions.
void DrawHeading(TableModel& table, const BlankRecord& blank, int headerRows);

/// The caption above a value column of a built table: the lowest heading cell, or the
/// merge that covers it (a column outside any group has one caption over both heading
/// rows). "" outside the table.
std::string ReportColumnCaption(const TableModel& table, int col, int headerRows);

/// The caption of the totals row for `dataRows` rows of the report.
std::string TotalsCaptionText(const BlankRecord& blank, const ReportPeriod& period, int dataRows);
/// Writes the caption into the first cell of the table's last row.
void TotalsCaption(TableModel& table, const BlankRecord& blank, const ReportPeriod& period, int dataRows);

/// The generated line of the upper title that states the period.
std::string PeriodLine(int blankType, const ReportPeriod& period);

/// The upper title table: the blank's title lines and the period line.
void UpperTitle(TableModel& upgrid, const BlankRecord& blank, const ReportPeriod& period);
/// The lower title table: the blank's lower title lines (no rows when there are none).
void LowerTitle(TableModel& downgrid, const BlankRecord& blank);

} // namespace kest
