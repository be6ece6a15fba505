#include "import/ParadoxHeader.h"

#include <cstring>
#include <sys/types.h>

namespace kest {
namespace {

// Offsets in the common part of the header.
constexpr int kRecordSize = 0x00;
constexpr int kHeaderSize = 0x02;
constexpr int kFileType = 0x04;
constexpr int kMaxTableSize = 0x05;
constexpr int kNumRecords = 0x06;
constexpr int kFileBlocks = 0x0C;
constexpr int kFirstBlock = 0x0E;
constexpr int kNumFields = 0x21;
constexpr int kEncryption1 = 0x25;
constexpr int kFileVersion = 0x39;
constexpr int kCommonHeaderEnd = 0x58;
// Tables from version 4 on carry a second part before the field descriptions.
constexpr int kEncryption2 = 0x5C;
constexpr int kCodePage = 0x6A;
constexpr int kDataHeaderEnd = 0x78;
// Paradox writes this marker where the password of a table without one would be.
constexpr std::uint32_t kNoPasswordMarker = 0xFF00FF00;
constexpr int kBlockHeaderSize = 6;

std::uint16_t u16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t u32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool readAt(std::FILE* file, off_t offset, void* into, std::size_t size)
{
    return fseeko(file, offset, SEEK_SET) == 0 && std::fread(into, 1, size, file) == size;
}

/// The record size pxlib gives a field: BCD fields take 17 bytes whatever the header says.
int fieldBytes(std::uint8_t type, int size)
{
    return type == kPxBcd ? 17 : size;
}

/// Types the Paradox format knows; anything else means the header is damaged.
bool knownType(std::uint8_t type)
{
    switch (type) {
    case 0x01: case 0x02: case 0x03: case 0x04: case 0x05: case 0x06: case 0x09: case 0x0C:
    case 0x0D: case 0x0E: case 0x0F: case 0x10: case 0x14: case 0x15: case 0x16: case 0x17:
    case 0x18:
        return true;
    default:
        return false;
    }
}

bool fail(std::string& error, std::string text)
{
    error = std::move(text);
    return false;
}

/// Field descriptions, the table name and the field names, all inside the header.
bool readFields(const std::vector<unsigned char>& head, int version, ParadoxHeader& header,
                std::string& error)
{
    const int numFields = static_cast<std::int16_t>(u16(&head[kNumFields]));
    if (numFields < 1 || numFields > 255)
        return fail(error, "the header gives " + std::to_string(numFields) + " fields");
    std::size_t pos = version >= 5 ? kDataHeaderEnd : kCommonHeaderEnd;
    const std::size_t nameLength = version >= 12 ? 261 : 79;
    // Descriptions, the table name pointer, one pointer per field name, the table name.
    const std::size_t namesStart = pos + numFields * 2 + 4 + numFields * 4 + nameLength;
    if (namesStart > head.size())
        return fail(error, "the header of " + std::to_string(head.size()) + " bytes is too short for " +
                               std::to_string(numFields) + " fields");
    int offset = 0;
    for (int i = 0; i < numFields; ++i, pos += 2) {
        ParadoxField f;
        f.type = head[pos];
        f.length = fieldBytes(f.type, head[pos + 1]);
        f.offset = offset;
        if (!knownType(f.type))
            return fail(error, "field " + std::to_string(i + 1) + " has an unknown type (" +
                                   std::to_string(f.type) + ")");
        if (f.length == 0)
            return fail(error, "field " + std::to_string(i + 1) + " has length 0");
        offset += f.length;
        header.fields.push_back(f);
    }
    if (offset != header.recordSize)
        return fail(error, "the record size " + std::to_string(header.recordSize) +
                               " disagrees with the fields, which take " + std::to_string(offset) + " bytes");
    const std::size_t tableName = namesStart - nameLength;
    if (std::memchr(&head[tableName], 0, nameLength) == nullptr)
        return fail(error, "the table name in the header has no end");
    pos = namesStart;
    for (auto& f : header.fields) {
        const void* end = std::memchr(&head[pos], 0, head.size() - pos);
        if (end == nullptr || static_cast<const unsigned char*>(end) - &head[pos] > 250)
            return fail(error, "the field names run past the header");
        f.name.assign(reinterpret_cast<const char*>(&head[pos]));
        pos += f.name.size() + 1;
        if (pos >= head.size() && &f != &header.fields.back())
            return fail(error, "the field names run past the header");
    }
    return true;
}

/// Walks the data blocks from the first along their links: every block inside the
/// file, none twice, each holding whole records that fit, together as many as the
/// header counts.
bool checkBlocks(std::FILE* file, int firstBlock, ParadoxHeader& header, std::string& error)
{
    if (header.fileBlocks == 0) {
        if (header.numRecords != 0 || firstBlock != 0)
            return fail(error, "the header counts records but no data blocks");
        return true;
    }
    std::vector<bool> seen(static_cast<std::size_t>(header.fileBlocks) + 1, false);
    const int capacity = (header.blockSize - kBlockHeaderSize) / header.recordSize;
    long records = 0;
    for (int block = firstBlock; block != 0;) {
        if (block < 1 || block > header.fileBlocks)
            return fail(error, "a data block link points to block " + std::to_string(block) + " of " +
                                   std::to_string(header.fileBlocks));
        if (seen[block])
            return fail(error, "the data blocks link back to block " + std::to_string(block));
        seen[block] = true;
        unsigned char b[kBlockHeaderSize];
        const off_t at = header.headerSize + static_cast<off_t>(block - 1) * header.blockSize;
        if (!readAt(file, at, b, sizeof b))
            return fail(error, "data block " + std::to_string(block) + " cannot be read");
        const int addDataSize = static_cast<std::int16_t>(u16(b + 4));
        int count = 0;
        if (addDataSize >= 0) {
            if (addDataSize % header.recordSize != 0)
                return fail(error, "data block " + std::to_string(block) + " holds a part of a record");
            count = addDataSize / header.recordSize + 1;
        } else if (addDataSize != -header.recordSize) {
            return fail(error, "data block " + std::to_string(block) + " has a damaged record count");
        }
        if (count > capacity)
            return fail(error, "data block " + std::to_string(block) + " claims more records than fit");
        records += count;
        header.blocks.push_back({block, count});
        block = u16(b);
    }
    if (records != header.numRecords)
        return fail(error, "the header counts " + std::to_string(header.numRecords) +
                               " records, the data blocks hold " + std::to_string(records));
    return true;
}

} // namespace

bool ReadParadoxHeader(std::FILE* file, ParadoxHeader& header, std::string& error)
{
    header = {};
    if (fseeko(file, 0, SEEK_END) != 0)
        return fail(error, "the file cannot be read");
    const off_t length = ftello(file);
    unsigned char common[kCommonHeaderEnd];
    if (length < kCommonHeaderEnd || !readAt(file, 0, common, sizeof common))
        return fail(error, "not a Paradox table: the file is too short (" + std::to_string(length) +
                               " bytes)");
    const int fileType = common[kFileType];
    const int version = common[kFileVersion];
    const int maxTableSize = common[kMaxTableSize];
    if ((fileType != 0 && fileType != 2) || version < 3 || version > 12)
        return fail(error, "not a Paradox data table (file type " + std::to_string(fileType) +
                               ", version byte " + std::to_string(version) + ")");
    if (maxTableSize != 1 && maxTableSize != 2 && maxTableSize != 3 && maxTableSize != 4 &&
        maxTableSize != 8 && maxTableSize != 16 && maxTableSize != 32)
        return fail(error, "the header gives an unknown block size (" + std::to_string(maxTableSize) + ")");
    header.recordSize = u16(common + kRecordSize);
    header.headerSize = u16(common + kHeaderSize);
    header.blockSize = maxTableSize * 1024;
    header.fileBlocks = u16(common + kFileBlocks);
    header.numRecords = static_cast<std::int32_t>(u32(common + kNumRecords));
    if (header.recordSize == 0 || header.recordSize > header.blockSize - kBlockHeaderSize)
        return fail(error, "the record size " + std::to_string(header.recordSize) + " does not fit a block");
    if (header.headerSize < kDataHeaderEnd || header.headerSize > length)
        return fail(error, "the header size " + std::to_string(header.headerSize) +
                               " disagrees with the file's length of " + std::to_string(length) + " bytes");
    if (header.numRecords < 0)
        return fail(error, "the header gives a negative record count");
    const off_t expected = header.headerSize + static_cast<off_t>(header.fileBlocks) * header.blockSize;
    if (length < expected)
        return fail(error, "the file is truncated: the header counts " + std::to_string(header.fileBlocks) +
                               " blocks (" + std::to_string(expected) + " bytes), the file has " +
                               std::to_string(length) + " bytes");
    if (length - expected >= header.blockSize)
        return fail(error, "the file's length of " + std::to_string(length) +
                               " bytes holds more blocks than the header counts (" +
                               std::to_string(header.fileBlocks) + ")");

    std::vector<unsigned char> head(static_cast<std::size_t>(header.headerSize));
    if (!readAt(file, 0, head.data(), head.size()))
        return fail(error, "the header cannot be read");
    const std::uint32_t encryption1 = u32(&head[kEncryption1]);
    const std::uint32_t encryption2 = version >= 5 ? u32(&head[kEncryption2]) : 0;
    if ((encryption1 != 0 && encryption1 != kNoPasswordMarker) ||
        (encryption1 == kNoPasswordMarker && encryption2 != 0))
        return fail(error, "the table is protected by a password");
    if (version >= 5)
        header.codePage = u16(&head[kCodePage]);
    if (!readFields(head, version, header, error))
        return false;
    return checkBlocks(file, u16(&head[kFirstBlock]), header, error);
}

std::string paradoxTypeName(std::uint8_t type)
{
    switch (type) {
    case kPxAlpha: return "alpha";
    case kPxDate: return "date";
    case kPxShort: return "short";
    case kPxLong: return "long";
    case kPxCurrency: return "currency";
    case kPxNumber: return "number";
    case kPxLogical: return "logical";
    case kPxTime: return "time";
    case kPxTimestamp: return "timestamp";
    case kPxAutoInc: return "autoincrement";
    case kPxBcd: return "BCD";
    default: return "type " + std::to_string(type);
    }
}

} // namespace kest
