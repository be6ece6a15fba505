#pragma once

#include "grid/TableModel.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kest {

/// One table of a printed document. Margins and spacing are fractions of the page:
/// left and bottom of its width and height, top is where the table starts when it
/// opens the document, spacing the gap above it when it follows another table.
struct PrintedTable
{
    const TableModel* table = nullptr;
    /// Lines centred at the top of the document's first page when this table starts
    /// there (Times New Roman bold, 16 pixels).
    std::vector<std::string> pageHeader;
    /// Pages after the first on which this table is printed get the header
    /// "Страница " + page number and an empty line.
    bool numberPages = false;
    double leftMargin = 0.08;
    double topMargin = 0.02;
    double bottomMargin = 0.02;
    double spacing = 0;
    bool gridLines = true;
};

/// Tables printed one after another in one document.
struct PrintJob
{
    std::vector<PrintedTable> tables;
    std::string title; ///< the document's title in the PDF
};

/// Prints a job into a PDF file; "" on success, else the reason. The core cannot
/// draw, so the build with windows registers its printer at start-up and the core
/// asks for it here; without one PDF output is not available.
using PdfPrinter = std::string (*)(const std::filesystem::path& path, const PrintJob& job);

void registerPdfPrinter(PdfPrinter printer);
PdfPrinter registeredPdfPrinter();

} // namespace kest
