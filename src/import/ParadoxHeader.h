#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kest {

/// Paradox field types as the header stores them.
enum ParadoxFieldType : std::uint8_t
{
    kPxAlpha = 0x01,
    kPxDate = 0x02,
    kPxShort = 0x03,
    kPxLong = 0x04,
    kPxCurrency = 0x05,
    kPxNumber = 0x06,
    kPxLogical = 0x09,
    kPxTime = 0x14,
    kPxTimestamp = 0x15,
    kPxAutoInc = 0x16,
    kPxBcd = 0x17,
};

struct ParadoxField
{
    std::string name; ///< as the header spells it (bytes of the table's code page)
    std::uint8_t type = 0;
    int length = 0;   ///< bytes in the record
    int offset = 0;   ///< from the start of the record
};

/// What the header of a data table says, after it was checked against the file.
struct ParadoxHeader
{
    int recordSize = 0;
    int headerSize = 0;
    int blockSize = 0;
    int fileBlocks = 0;
    long numRecords = 0;
    int codePage = 0; ///< 0 when the header has none (tables older than version 4)
    std::vector<ParadoxField> fields;
    /// The data blocks in the order their links give, each with its record count.
    struct Block
    {
        int number = 0;
        int records = 0;
    };
    std::vector<Block> blocks;
};

/// Reads the header of a Paradox data table and checks everything the Paradox
/// library later trusts: the sizes, the field descriptions and names, and the chain
/// of data blocks with their record counts, all against the file's length. The
/// library reads these bytes without checking them, so a file that fails here is
/// never handed to it. On failure `error` says what is wrong (without the file name).
bool ReadParadoxHeader(std::FILE* file, ParadoxHeader& header, std::string& error);

/// The type's name for messages ("alpha", "timestamp", ...).
std::string paradoxTypeName(std::uint8_t type);

} // namespace kest
