#pragma once
// A part's XML going into the zip entry being written.
#include <string_view>

#include "workbook/sheet/SheetRows.h"
#include "workbook/zip/ZipWriter.h"

namespace exl::workbook {

class EntryOutput : public PartOutput {
public:
    explicit EntryOutput(ZipWriter& zip) : zip_(zip) {}
    bool Write(std::string_view bytes) override { return zip_.Write(bytes); }

private:
    ZipWriter& zip_;
};

}  // namespace exl::workbook
