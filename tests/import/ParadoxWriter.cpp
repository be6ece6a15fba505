#include "import/ParadoxWriter.h"

#include <cstring>
#include "import/PxLib.h"
#include <stdexcept>

namespace kest::test {

namespace {

/// A field list as pxlib wants it: allocated by the table, which frees it with its names.
pxfield_t* fieldList(pxdoc_t* doc, const std::vector<PxColumn>& columns, std::size_t count)
{
    auto* fields = static_cast<pxfield_t*>(doc->malloc(doc, sizeof(pxfield_t) * count, "fields"));
    for (std::size_t i = 0; i < count; ++i) {
        fields[i].px_fname = PX_strdup(doc, columns[i].name.c_str());
        fields[i].px_ftype = static_cast<char>(columns[i].type);
        fields[i].px_flen = columns[i].length;
        fields[i].px_fdc = 0;
    }
    return fields;
}

void writePrimaryIndex(pxdoc_t* doc, const std::filesystem::path& file, const std::vector<PxColumn>& columns,
                       int keys)
{
    pxdoc_t* index = PX_new();
    const auto path = std::filesystem::path(file).replace_extension(".PX");
    if (PX_create_file(index, fieldList(index, columns, static_cast<std::size_t>(keys)), keys, path.c_str(),
                       pxfFileTypPrimIndex) < 0 ||
        PX_write_primary_index(doc, index) < 0)
        throw std::runtime_error("cannot write the index " + path.string());
    PX_close(index);
    PX_delete(index);
}

} // namespace

void writeParadoxRows(const std::filesystem::path& file,
                      const std::vector<PxColumn>& columns,
                      int codePage,
                      const std::function<bool(PxRow&)>& next,
                      int keys)
{
    std::filesystem::remove(file);
    pxdoc_t* doc = PX_new();
    if (PX_create_file(doc, fieldList(doc, columns, columns.size()), static_cast<int>(columns.size()), file.c_str(),
                       keys > 0 ? pxfFileTypIndexDB : pxfFileTypNonIndexDB) < 0)
        throw std::runtime_error("cannot create " + file.string());
    if (keys > 0)
        PX_set_value(doc, "numprimkeys", static_cast<float>(keys));
    PX_set_parameter(doc, "tablename", file.stem().c_str());
    PX_set_value(doc, "codepage", static_cast<float>(codePage));
    std::vector<char> data(static_cast<std::size_t>(PX_get_recordsize(doc)));
    PxRow row;
    while (next(row)) {
        std::fill(data.begin(), data.end(), 0);
        int offset = 0;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const PxColumn& c = columns[i];
            char* at = data.data() + offset;
            offset += c.length;
            if (i >= row.size() || std::holds_alternative<std::monostate>(row[i]))
                continue; // all zero bytes: an empty field
            if (const auto* text = std::get_if<std::string>(&row[i])) {
                std::vector<char> bytes(text->begin(), text->end());
                bytes.push_back(0);
                PX_put_data_alpha(doc, at, c.length, bytes.data());
                continue;
            }
            const double v = std::get<double>(row[i]);
            switch (c.type) {
            case pxfShort:
                PX_put_data_short(doc, at, c.length, static_cast<short>(v));
                break;
            case pxfLong:
            case pxfAutoInc:
            case pxfDate:
                PX_put_data_long(doc, at, c.length, static_cast<int>(v));
                break;
            default:
                PX_put_data_double(doc, at, c.length, v);
            }
        }
        if (PX_put_record(doc, data.data()) < 0)
            throw std::runtime_error("cannot write a record of " + file.string());
    }
    if (keys > 0)
        writePrimaryIndex(doc, file, columns, keys);
    PX_close(doc);
    PX_delete(doc);
}

void writeParadoxTable(const std::filesystem::path& file,
                       const std::vector<PxColumn>& columns,
                       const std::vector<PxRow>& rows,
                       int codePage)
{
    std::size_t i = 0;
    writeParadoxRows(file, columns, codePage, [&](PxRow& row) {
        if (i >= rows.size())
            return false;
        row = rows[i++];
        return true;
    });
}

void writeIndexedParadoxTable(const std::filesystem::path& file,
                              const std::vector<PxColumn>& columns,
                              const std::vector<PxRow>& rows,
                              int keys)
{
    std::size_t i = 0;
    writeParadoxRows(
        file, columns, 1251,
        [&](PxRow& row) {
            if (i >= rows.size())
                return false;
            row = rows[i++];
            return true;
        },
        keys);
}

double pxDate(int year, int month, int day)
{
    return static_cast<double>(PX_GregorianToSdn(year, month, day) - 1721425);
}

double pxTimestamp(int year, int month, int day, int hour, int minute, int second, int ms)
{
    return pxDate(year, month, day) * 86400000.0 + ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + ms;
}

std::vector<PxColumn> archiveColumns()
{
    return {{"sdate", pxfTimestamp, 8}, {"scode", pxfLong, 4}, {"svalue", pxfNumber, 8}};
}

std::vector<PxColumn> controllerColumns()
{
    return {{"scode", pxfLong, 4}, {"sname", pxfAlpha, 50}, {"rhour", pxfShort, 2},
            {"rday", pxfShort, 2}, {"avans", pxfShort, 2}};
}

std::vector<PxColumn> intervalColumns()
{
    return {{"scode", pxfLong, 4}, {"smin", pxfShort, 2}};
}

} // namespace kest::test
