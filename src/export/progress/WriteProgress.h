#pragma once
// What a writer of the transfer reports as it goes, and where the user's stop
// reaches it.
#include <cstdint>

namespace exl {

// Where the writer stands. Excel is written field by field: a slot is one record of
// one field, with or without a value, so the share done grows evenly however many
// values are missing. A file is written row by row, all fields at once: fields is
// then 0, a table is a sheet, and a slot is a row of its sheet.
struct WritePosition {
    int table = 0;  // from 1; 0 before the first
    int tables = 0;
    int field = 0;  // from 1, within the table
    int fields = 0;
    std::int64_t record = 0;  // the last record of the field written (0 for its heading); of a file, the row
    std::int64_t records = 0;  // of a file, the sheet's last row
    std::int64_t slotsDone = 0;
    std::int64_t slotsTotal = 0;
};

class WriteProgress {
public:
    virtual ~WriteProgress() = default;
    // After every cell and every block written, and every row of a file. Raises StoppedByUser
    // when the user stopped the transfer: the writer then ends at once, like after an
    // automation error, and writes nothing more.
    virtual void Advance(const WritePosition& at) = 0;

    // Shows nothing and never stops.
    static WriteProgress& None();
};

}  // namespace exl
