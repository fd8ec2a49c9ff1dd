# cmake -DZIP=<zip> -DSTAGE=<dir> -DFILES=<a|b|...> -DEXL_FILES=<c|...> -P MakeZip.cmake
# Lays the files out as the host's working directory (FILES at the top, EXL_FILES
# in exl\) and zips that folder; the zip holds nothing else.
string(REPLACE "|" ";" files "${FILES}")
string(REPLACE "|" ";" exl_files "${EXL_FILES}")
file(REMOVE_RECURSE ${STAGE})
file(REMOVE ${ZIP})
file(COPY ${files} DESTINATION ${STAGE})
file(COPY ${exl_files} DESTINATION ${STAGE}/exl)
set(entries)
foreach(file ${files})
  get_filename_component(name ${file} NAME)
  list(APPEND entries ${name})
endforeach()
foreach(file ${exl_files})
  get_filename_component(name ${file} NAME)
  list(APPEND entries exl/${name})
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip -- ${entries}
  WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE zipped)
if(NOT zipped EQUAL 0)
  message(FATAL_ERROR "cannot make ${ZIP}")
endif()
