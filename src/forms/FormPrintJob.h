#pragma once

#include "forms/StandardForm.h"
#include "grid/PrintJob.h"

#include <string>

namespace kest {

/// The printed form: the upper table opens the document, the main table continues
/// below it and the lower table follows with a small gap. Pages after the first carry
/// "Страница " + n above the main table.
PrintJob MakeFormPrintJob(const FilledForm& form, const std::string& title);

} // namespace kest
