#include "import/ParadoxTable.h"

#include "common/CodePage.h"
#include "import/DosCodePage.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <mutex>
#include "import/PxLib.h"

namespace kest {

// pxlib reports through a callback; the last message goes into the failure text.
void recordPxMessage(px_doc*, int, const char* message, void* data)
{
    if (data != nullptr && message != nullptr)
        static_cast<ParadoxTable*>(data)->m_lastMessage = message;
}

namespace {

constexpr std::size_t kBlockHeader = 6; // next block, previous block, size of the records

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

/// pxlib's PX_get_data_long reports an empty field as a value and leaves the
/// number unset, so four-byte integers are read here: big-endian with the sign bit
/// flipped, all zero bytes when empty.
std::optional<double> longField(const char* data, int length)
{
    if (length != 4)
        return std::nullopt;
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u = (u << 8) | static_cast<unsigned char>(data[i]);
    if (u == 0)
        return std::nullopt;
    return static_cast<double>(static_cast<std::int32_t>(u ^ 0x80000000u));
}

} // namespace

std::unique_ptr<ParadoxTable> ParadoxTable::open(const std::filesystem::path& file, std::string& error)
{
    static std::once_flag booted;
    std::call_once(booted, [] { PX_boot(); });

    std::unique_ptr<ParadoxTable> table(new ParadoxTable);
    // Read only: the old installation's files stay exactly as they were.
    table->m_file = std::fopen(file.c_str(), "rb");
    if (table->m_file == nullptr) {
        error = file.string() + ": the file cannot be opened for reading";
        return nullptr;
    }
    std::string fault;
    if (!ReadParadoxHeader(table->m_file, table->m_header, fault)) {
        error = file.string() + ": " + fault;
        return nullptr;
    }
    table->m_doc = PX_new3(recordPxMessage, nullptr, nullptr, nullptr, table.get());
    if (table->m_doc == nullptr || PX_open_fp(table->m_doc, table->m_file) < 0) {
        error = file.string() + ": pxlib cannot read the table (" + table->m_lastMessage + ")";
        return nullptr;
    }
    table->m_record.assign(static_cast<std::size_t>(table->m_header.recordSize), 0);
    return table;
}

ParadoxTable::~ParadoxTable()
{
    if (m_doc != nullptr) {
        PX_close(m_doc);
        PX_delete(m_doc);
    }
    if (m_file != nullptr)
        std::fclose(m_file);
}

int ParadoxTable::fieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < m_header.fields.size(); ++i) {
        if (sameName(m_header.fields[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

bool ParadoxTable::readRecord(long recno, std::string& error)
{
    if (recno == m_next && recno < m_header.numRecords) {
        // Skip empty blocks; the header check made sure the counts add up.
        while (m_blockIndex < m_header.blocks.size() &&
               m_inBlock >= m_header.blocks[m_blockIndex].records) {
            ++m_blockIndex;
            m_inBlock = 0;
            m_block.clear();
        }
        if (m_blockIndex < m_header.blocks.size()) {
            if (m_block.empty()) {
                m_block.resize(static_cast<std::size_t>(m_header.blockSize));
                const off_t at = m_header.headerSize +
                                 static_cast<off_t>(m_header.blocks[m_blockIndex].number - 1) * m_header.blockSize;
                if (fseeko(m_file, at, SEEK_SET) != 0 ||
                    std::fread(m_block.data(), 1, m_block.size(), m_file) != m_block.size()) {
                    error = "record " + std::to_string(recno + 1) + " cannot be read";
                    return false;
                }
            }
            const std::size_t offset = kBlockHeader + static_cast<std::size_t>(m_inBlock) * m_record.size();
            std::copy_n(m_block.begin() + static_cast<long>(offset), m_record.size(), m_record.begin());
            ++m_inBlock;
            ++m_next;
            return true;
        }
    }
    m_next = -1; // out of order: pxlib finds the record from here on
    m_lastMessage.clear();
    if (PX_get_record(m_doc, static_cast<int>(recno), m_record.data()) == nullptr) {
        error = "record " + std::to_string(recno + 1) + " cannot be read (" + m_lastMessage + ")";
        return false;
    }
    return true;
}

std::optional<double> ParadoxTable::number(int index)
{
    const ParadoxField& f = m_header.fields[index];
    char* data = m_record.data() + f.offset;
    switch (f.type) {
    case kPxShort: {
        short value = 0;
        if (PX_get_data_short(m_doc, data, f.length, &value) > 0)
            return value;
        return std::nullopt;
    }
    case kPxLong:
    case kPxAutoInc:
    case kPxDate:
        return longField(data, f.length);
    case kPxNumber:
    case kPxCurrency:
    case kPxTimestamp: {
        double value = 0;
        if (PX_get_data_double(m_doc, data, f.length, &value) > 0)
            return value;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::string> ParadoxTable::text(int index)
{
    const ParadoxField& f = m_header.fields[index];
    if (f.type != kPxAlpha)
        return std::nullopt;
    char* value = nullptr;
    if (PX_get_data_alpha(m_doc, m_record.data() + f.offset, f.length, &value) <= 0 || value == nullptr)
        return std::nullopt;
    const std::string bytes(value);
    m_doc->free(m_doc, value);
    return m_header.codePage == 866 ? cp866ToUtf8(bytes) : cp1251ToUtf8(bytes);
}

bool ParadoxTable::knowsCodePage() const
{
    return m_header.codePage == 866 || m_header.codePage == 1251;
}

} // namespace kest
