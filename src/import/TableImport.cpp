#include "import/TableImport.h"

#include "common/CodePage.h"
#include "common/Hex.h"
#include "import/ImportRows.h"
#include "import/ImportStore.h"
#include "import/ParadoxTable.h"

#include <functional>
#include <initializer_list>

namespace kest {
namespace {

using Types = std::initializer_list<std::uint8_t>;
const Types kTimeTypes = {kPxTimestamp, kPxDate};
const Types kIntegerTypes = {kPxLong, kPxShort, kPxNumber, kPxAutoInc};
const Types kValueTypes = {kPxNumber, kPxCurrency, kPxLong};
const Types kTextTypes = {kPxAlpha};

/// The field of that name with one of the accepted types, or -1 with the problem.
int requireField(const ParadoxTable& t, const TableSummary& table, const char* name, Types accepted,
                 std::string& problem)
{
    const int index = t.fieldIndex(name);
    if (index < 0) {
        problem = table.file.string() + ": the table has no field " + name;
        return -1;
    }
    const std::uint8_t type = t.field(index).type;
    for (const auto a : accepted) {
        if (a == type)
            return index;
    }
    std::string names;
    for (const auto a : accepted)
        names += (names.empty() ? "" : ", ") + paradoxTypeName(a);
    problem = table.file.string() + ": field " + name + " has the type " + paradoxTypeName(type) +
              "; the import takes " + names;
    return -1;
}

/// Counts of the transaction in progress; they join the table's only once it is committed.
struct Batch
{
    long read = 0;
    long stored = 0;
    long existing = 0;
    std::array<long, kSkipReasonCount> skipped{};
    std::vector<std::string> differences;

    void addTo(TableSummary& table)
    {
        table.read += read;
        table.stored += stored;
        table.existing += existing;
        for (int i = 0; i < kSkipReasonCount; ++i)
            table.skipped[i] += skipped[i];
        table.differences.insert(table.differences.end(), differences.begin(), differences.end());
        *this = {};
    }
    void skip(SkipReason reason) { ++skipped[static_cast<int>(reason)]; }
};

/// One record's work: stored, found in the archive or passed over (counted in the
/// batch); a failure status only when the archive refused it.
using RecordHandler = std::function<DbStatus(ParadoxTable&, Batch&)>;

std::optional<ArchiveKind> archiveKindOf(const std::string& table)
{
    if (table == "arhivh.db")
        return ArchiveKind::Hourly;
    if (table == "arhivd.db")
        return ArchiveKind::Daily;
    if (table == "arhivm.db")
        return ArchiveKind::Monthly;
    if (table == "detail.db")
        return ArchiveKind::Interval;
    return std::nullopt;
}

std::optional<RecordHandler> archiveHandler(const ParadoxTable& t, TableSummary& table, ArchiveKind kind,
                                            ImportStore& store)
{
    const int sdate = requireField(t, table, "sdate", kTimeTypes, table.problem);
    const int scode = sdate < 0 ? -1 : requireField(t, table, "scode", kIntegerTypes, table.problem);
    const int svalue = scode < 0 ? -1 : requireField(t, table, "svalue", kValueTypes, table.problem);
    if (svalue < 0)
        return std::nullopt;
    const bool timestamp = t.field(sdate).type == kPxTimestamp;
    return [=, &store](ParadoxTable& tab, Batch& batch) {
        const auto rawTime = tab.number(sdate);
        const auto rawCode = tab.number(scode);
        const auto value = tab.number(svalue);
        if (!rawTime || !rawCode || !value) {
            batch.skip(SkipReason::EmptyField);
            return DbStatus::success();
        }
        const auto time = importedTime(*rawTime, timestamp);
        if (const auto* reason = std::get_if<SkipReason>(&time)) {
            batch.skip(*reason);
            return DbStatus::success();
        }
        const auto code = wholeNumber(*rawCode);
        if (!code || !isArchiveKey(*code)) {
            batch.skip(SkipReason::NotArchiveKey);
            return DbStatus::success();
        }
        bool existed = false;
        const DbStatus status = store.addArchiveRow(kind, {std::get<DateTime>(time), *code, *value}, existed);
        ++(existed ? batch.existing : batch.stored);
        return status;
    };
}

/// Reads whole-number fields, the controller's scode first; false (and the reason
/// counted) when one is empty or not whole, or the scode is no controller number.
bool wholeFields(ParadoxTable& t, std::initializer_list<int> fields, std::int64_t* out, Batch& batch)
{
    const std::int64_t* first = out;
    for (const int f : fields) {
        const auto raw = t.number(f);
        if (!raw) {
            batch.skip(SkipReason::EmptyField);
            return false;
        }
        const auto whole = wholeNumber(*raw);
        if (!whole) {
            batch.skip(SkipReason::NotWholeNumber);
            return false;
        }
        *out++ = *whole;
    }
    if (!isControllerCode(first[0])) {
        batch.skip(SkipReason::NotControllerCode);
        return false;
    }
    return true;
}

std::string controllerText(std::int64_t code)
{
    return "контроллер " + toHex(static_cast<std::uint64_t>(code), 4);
}

void listDifference(Batch& batch, std::int64_t code, const char* field, const std::string& kest,
                    const std::string& old)
{
    if (kest != old)
        batch.differences.push_back(controllerText(code) + ": " + field + " в архиве «" + kest +
                                    "», в старой таблице «" + old + "»; оставлено значение архива");
}

std::optional<RecordHandler> controllerHandler(ParadoxTable& t, TableSummary& table, ImportStore& store)
{
    const int scode = requireField(t, table, "scode", kIntegerTypes, table.problem);
    const int sname = scode < 0 ? -1 : requireField(t, table, "sname", kTextTypes, table.problem);
    const int rhour = sname < 0 ? -1 : requireField(t, table, "rhour", kIntegerTypes, table.problem);
    const int rday = rhour < 0 ? -1 : requireField(t, table, "rday", kIntegerTypes, table.problem);
    const int avans = rday < 0 ? -1 : requireField(t, table, "avans", kIntegerTypes, table.problem);
    if (avans < 0)
        return std::nullopt;
    if (!t.knowsCodePage()) {
        table.problem = table.file.string() + ": the table's code page " +
                        std::to_string(t.header().codePage) + " is neither 866 nor 1251";
        return std::nullopt;
    }
    return [=, &store](ParadoxTable& tab, Batch& batch) {
        std::int64_t v[4];
        if (!wholeFields(tab, {scode, rhour, rday, avans}, v, batch))
            return DbStatus::success();
        // A controller without a name has Kest's blank name.
        const ControllerRow old{v[0], tab.text(sname).value_or(" "), static_cast<int>(v[1]),
                                static_cast<int>(v[2]), static_cast<int>(v[3])};
        std::optional<ControllerRow> known;
        DbStatus status = store.controller(old.scode, known);
        if (!status.ok())
            return status;
        if (!known) {
            ++batch.stored;
            return store.addController(old);
        }
        ++batch.existing;
        listDifference(batch, old.scode, "sname", known->sname, utf8Left(old.sname, 50));
        listDifference(batch, old.scode, "rhour", std::to_string(known->rhour), std::to_string(old.rhour));
        listDifference(batch, old.scode, "rday", std::to_string(known->rday), std::to_string(old.rday));
        listDifference(batch, old.scode, "avans", std::to_string(known->avans), std::to_string(old.avans));
        return status;
    };
}

std::optional<RecordHandler> intervalHandler(ParadoxTable& t, TableSummary& table, ImportStore& store)
{
    const int scode = requireField(t, table, "scode", kIntegerTypes, table.problem);
    const int smin = scode < 0 ? -1 : requireField(t, table, "smin", kIntegerTypes, table.problem);
    if (smin < 0)
        return std::nullopt;
    return [=, &store](ParadoxTable& tab, Batch& batch) {
        std::int64_t v[2];
        if (!wholeFields(tab, {scode, smin}, v, batch))
            return DbStatus::success();
        // An interval of 0 minutes has always meant 5.
        const int minutes = v[1] == 0 ? 5 : static_cast<int>(v[1]);
        std::optional<int> known;
        DbStatus status = store.intervalMinutes(v[0], known);
        if (!status.ok())
            return status;
        if (!known) {
            ++batch.stored;
            return store.addIntervalMinutes(v[0], minutes);
        }
        ++batch.existing;
        listDifference(batch, v[0], "smin", std::to_string(*known == 0 ? 5 : *known), std::to_string(minutes));
        return status;
    };
}

std::optional<RecordHandler> handlerFor(ParadoxTable& t, TableSummary& table, ImportStore& store)
{
    if (const auto kind = archiveKindOf(table.table))
        return archiveHandler(t, table, *kind, store);
    if (table.table == "meranb.db")
        return controllerHandler(t, table, store);
    return intervalHandler(t, table, store);
}

} // namespace

TableOutcome ImportTable(TableSummary& table, ImportStore& store, const ImportOptions& options,
                         ImportProgress& progress)
{
    std::string error;
    auto t = ParadoxTable::open(table.file, error);
    if (!t) {
        table.problem = error;
        return TableOutcome::Done;
    }
    table.records = t->recordCount();
    const auto handler = handlerFor(*t, table, store);
    if (!handler)
        return TableOutcome::Done;
    progress.tableStarted(table.table, table.records);

    const auto databaseFailed = [&](const DbStatus& status) {
        store.rollback();
        table.problem = "база данных: " + status.message;
        return TableOutcome::DatabaseFailed;
    };
    Batch batch;
    DbStatus status = store.begin();
    if (!status.ok())
        return databaseFailed(status);
    for (long recno = 0; recno < table.records; ++recno) {
        if (!t->readRecord(recno, error)) {
            // The rows before this record are whole and stay.
            table.problem = table.file.string() + ": " + error;
            break;
        }
        ++batch.read;
        if (status = (*handler)(*t, batch); !status.ok())
            return databaseFailed(status);
        if (batch.read < options.rowsPerTransaction)
            continue;
        if (status = store.commit(); !status.ok())
            return databaseFailed(status);
        batch.addTo(table);
        progress.rowsRead(table.read);
        if (progress.stopRequested() && recno + 1 < table.records) {
            table.problem = "остановлено после " + std::to_string(table.read) + " из " +
                            std::to_string(table.records) + " записей";
            return TableOutcome::Stopped;
        }
        if (status = store.begin(); !status.ok())
            return databaseFailed(status);
    }
    if (status = store.commit(); !status.ok())
        return databaseFailed(status);
    batch.addTo(table);
    progress.rowsRead(table.read);
    table.whole = table.problem.empty();
    return TableOutcome::Done;
}

} // namespace kest
