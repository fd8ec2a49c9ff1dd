# The workbook library's sources that need nothing of Windows: the Linux builds of
# the native tests and fuzz targets compile exactly these.
set(EXL_WORKBOOK_PLATFORM_FREE
  sheet/CellReader.cpp sheet/CellReference.cpp sheet/CellTextCoding.cpp sheet/FormulaShift.cpp sheet/Package.cpp
  sheet/PartEdits.cpp sheet/SheetTables.cpp sheet/SheetXml.cpp xml/Utf8.cpp sheet/WorkbookWriting.cpp xml/XmlEscape.cpp
  xml/XmlReader.cpp zip/ZipReader.cpp zip/ZipWriter.cpp zip/Zlib.cpp)
list(TRANSFORM EXL_WORKBOOK_PLATFORM_FREE PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
