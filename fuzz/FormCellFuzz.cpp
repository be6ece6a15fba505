// Any bytes as the text of a standard form's cell: scanning its markers, computing
// formulas and replacing values never crash, whatever the markers and formulas hold.
#include "common/Prompter.h"
#include "forms/StandardForm.h"

#include <cstdint>

using namespace kest;

namespace {

/// Texts, archive values, formulas of several lengths and results.
const FormDescription& description()
{
    static const FormDescription desc(IniFile::parse("[TABL]\nTIP=1\n[HEAD]\n"
                                                     "T1=0\nN1=12,5\nT2=0\nN2=x\nT3=5\nN3=0\n"
                                                     "T4=1\nN4=3\nP4=0\nT5=1\nN5=3\nP5=2\nT6=1\nP6=9\n"
                                                     "T7=3\nN7=8\nP7=5\nT8=4\nP8=15\n"
                                                     "T9=3\nN9=150\nP9=100\nT10=3\nN10=9\nP10=-3\n"
                                                     "T11=4\nT12=3\nN12=0\nP12=1\n"),
                                      "0A1F");
    return desc;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ParameterTable parameters;
    BlankRecord ablini;
    PeriodTable periods;
    periods[kFormBlankNumber].startDate = 45000;
    periods[kFormBlankNumber].endDate = 45001;
    MemoryPrompter prompter;
    FormRequest request{"/nonexistent", "form", "0A1F", parameters, ablini, periods, prompter};
    FormFiller filler(request, description(), nullptr);
    TableModel table(2, 1);
    table.cell(0, 0).text.assign(reinterpret_cast<const char*>(data), size);
    table.cell(1, 0).text = table.cell(0, 0).text;
    filler.fillTable(table);
    return 0;
}
