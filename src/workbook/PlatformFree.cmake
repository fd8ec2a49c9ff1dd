# The workbook library's rooms that need nothing of Windows (file/ alone holds the
# Win32 file handling): the product's build and the Linux builds of the native tests
# and fuzz targets take their sources by these names.
set(EXL_WORKBOOK_PLATFORM_FREE_ROOMS zip xml sheet)
set(EXL_WORKBOOK_PLATFORM_FREE)
foreach(room ${EXL_WORKBOOK_PLATFORM_FREE_ROOMS})
  file(GLOB room_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${room}/*.cpp)
  list(APPEND EXL_WORKBOOK_PLATFORM_FREE ${room_sources})
endforeach()
