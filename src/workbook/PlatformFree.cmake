# The workbook library's sources that need nothing of Windows: the Linux builds of
# the native tests and fuzz targets compile exactly these.
set(EXL_WORKBOOK_PLATFORM_FREE
  CellReader.cpp CellReference.cpp CellTextCoding.cpp FormulaShift.cpp Package.cpp PartEdits.cpp SheetTables.cpp
  SheetXml.cpp Utf8.cpp WorkbookWriting.cpp XmlEscape.cpp XmlReader.cpp ZipReader.cpp ZipWriter.cpp Zlib.cpp
  ColumnWidths.cpp ListHeading.cpp ListSheet.cpp StoredHead.cpp)
list(TRANSFORM EXL_WORKBOOK_PLATFORM_FREE PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
