#include "app/CommandLine.h"
#include "app/CommandOptions.h"
#include "common/AtomicFile.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "forms/FormPrintJob.h"
#include "forms/StandardForm.h"
#include "link/ExchangeStatus.h"
#include "grid/CsvWriter.h"
#include "grid/QueuePrinter.h"
#include "grid/XlsxWriter.h"

#include <ostream>

namespace kest {
namespace {

/// A controller code of 1 to 4 hexadecimal digits as the four upper-case digits the
/// form keys use; nothing for any other text.
std::optional<std::string> controllerHexFrom(const std::string& text)
{
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    std::string hex(4 - text.size(), '0');
    for (char ch : text) {
        if (!std::isxdigit(static_cast<unsigned char>(ch)))
            return std::nullopt;
        hex += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    return hex;
}

std::string
writeForm(OutputKind kind, const std::filesystem::path& out, const FilledForm& form, const std::string& title)
{
    switch (kind) {
    case OutputKind::Csv:
        // The three tables one after another, an empty line between them.
        return writeFileAtomically(out, ToCsv(form.upgrid) + "\n" + ToCsv(form.basegrid) + "\n" +
                                            ToCsv(form.downgrid));
    case OutputKind::Xlsx:
        return WriteXlsx(out, {&form.upgrid, &form.basegrid, &form.downgrid}, "Бланк");
    case OutputKind::Pdf:
        break;
    }
    return registeredPdfPrinter()(out, MakeFormPrintJob(form, title));
}

/// The archive database must be there: without it every value would read as 0 and
/// the form would look filled.
bool databaseUsable(CommandContext& ctx)
{
    std::string error;
    auto db = OpenArchiveDatabase(ctx.settings.DatabasePath, false, &error);
    if (db) {
        const DbStatus tables = RequireTables(*db, kArchiveDatabaseTables);
        if (tables.ok())
            return true;
        error = tables.message;
    }
    ctx.err << exchangeMessage(kStatusDatabase) << "\n" << error << "\n";
    return false;
}

} // namespace

int CommandForm(CommandContext& ctx)
{
    const std::string folder = ctx.option("--form");
    const std::filesystem::path out = ctx.option("--out");
    const auto queue = printQueue(ctx);
    if (folder.empty() || (out.empty() && !queue) || ctx.option("--controller").empty()) {
        ctx.err << "kest form needs --form FOLDER, --controller HEX4, --from, --to and --out FILE or --print "
                   "[QUEUE].\n";
        return kExitFailure;
    }
    if (queue && !registeredQueuePrinter()) {
        ctx.err << "Printing is not available in this build (built without the windows, -DKEST_GUI=OFF).\n";
        return kExitFailure;
    }
    const auto kind = outputKind(out);
    if (!kind && !out.empty()) {
        ctx.err << "--out must end in .csv, .xlsx or .pdf.\n";
        return kExitFailure;
    }
    if (kind == OutputKind::Pdf && !registeredPdfPrinter()) {
        ctx.err << "PDF output is not available in this build (built without the windows, -DKEST_GUI=OFF); "
                   "write .csv or .xlsx instead.\n";
        return kExitFailure;
    }
    const auto controller = controllerHexFrom(ctx.option("--controller"));
    if (!controller) {
        ctx.err << "--controller takes the controller's code as 1 to 4 hexadecimal digits.\n";
        return kExitFailure;
    }
    const auto period = periodFrom(ctx);
    if (!period)
        return kExitFailure;
    const auto folderPath = FindFormFolder(ctx.settings.DatabasePath, folder);
    if (!folderPath) {
        ctx.err << "Стандартный бланк \"" << folder << "\" не найден в " << ctx.settings.DatabasePath
                << ".\n";
        return kExitFailure;
    }
    if (!ValidatePeriod(StandardFormType(*folderPath), *period)) {
        ctx.err << kInvalidPeriodMessage << "\n";
        return kExitFailure;
    }
    if (!databaseUsable(ctx))
        return kExitFailure;

    ParameterTable parameters;
    BlankRecord ablini;
    PeriodTable periods;
    periods[kFormBlankNumber] = *period;
    StreamPrompter prompter(ctx.err);
    StreamExchangeLog log(ctx.out);
    FormRequest request{ctx.settings.DatabasePath,
                        folderPath->filename().string(),
                        *controller,
                        parameters,
                        ablini,
                        periods,
                        prompter};
    request.log = &log;
    FilledForm form;
    const FormResult result = FillStandardForm(request, form);
    if (result.outcome != FormOutcome::Filled) {
        ctx.err << result.message << "\n";
        return kExitFailure;
    }
    if (kind) {
        if (auto problem = writeForm(*kind, out, form, request.folder); !problem.empty()) {
            ctx.err << "Не удалось записать " << out.string() << ": " << problem << "\n";
            return kExitFailure;
        }
    }
    if (queue && !printOnQueue(ctx, *queue, MakeFormPrintJob(form, request.folder)))
        return kExitFailure;
    return kExitOk;
}

} // namespace kest
