# cmake -DMSI=<msi> -DSTAGE=<dir> -DWXS=<wxs> -DVERSION=<a.b.c.d> -DPRODUCT_CODE=<guid>
#       -DFILES=<a|b|...> -DEXL_FILES=<c|...> -DUI=<folder of .idt tables> -DWIXL=<wixl> -DMSIBUILD=<msibuild>
#       -P MakeMsi.cmake
# Lays the files out as the host's working directory (FILES at the top, EXL_FILES in
# exl\), builds the package from the WiX source there, then sets with msibuild what
# wixl cannot express.
string(REPLACE "|" ";" files "${FILES}")
string(REPLACE "|" ";" exl_files "${EXL_FILES}")
file(REMOVE_RECURSE ${STAGE})
file(REMOVE ${MSI})
file(COPY ${files} DESTINATION ${STAGE})
file(COPY ${exl_files} DESTINATION ${STAGE}/exl)

# Every step's status and errors go through check(); wixl and msibuild say some
# failures only on stderr.
function(check status errors)
  if(NOT status EQUAL 0 OR errors MATCHES "CRITICAL|WARNING")
    file(REMOVE ${MSI})
    message(FATAL_ERROR "cannot make ${MSI}: ${status} ${errors}")
  endif()
endfunction()

# wixl looks for sources relative to the current directory only.
execute_process(COMMAND ${WIXL} -o ${MSI} -D Version=${VERSION} -D ProductCode=${PRODUCT_CODE} ${WXS}
  WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE status ERROR_VARIABLE errors)
check("${status}" "${errors}")

# The strings are stored in code page 1252, whatever the building machine's locale;
# the package's language is German (wixl writes "Intel;1033" whatever it is told).
# The order matters: an imported table's texts are stored in the code page set first.
file(WRITE ${STAGE}/_ForceCodepage.idt "\r\n\r\n1252\t_ForceCodepage\r\n")
execute_process(COMMAND ${MSIBUILD} ${MSI} -i _ForceCodepage.idt -s "Excel-Kopplung für Orvanta" Orvanta "Intel;1031"
  WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE status ERROR_VARIABLE errors)
check("${status}" "${errors}")
# The sample profile: never put over a file of its name (NeverOverwrite, 0x80) and
# never taken away (Permanent, 0x10), so a profile of the user's is not touched.
# The two folder actions are plain immediate property settings (51); INSTALLDIR
# passes to the installing service in a managed installation too (secure).
execute_process(COMMAND ${MSIBUILD} ${MSI}
  -q "UPDATE `Component` SET `Attributes` = 144 WHERE `Component` = 'SampleProfile'"
  -q "UPDATE `CustomAction` SET `Type` = 51 WHERE `Type` = 2099"
  -q "UPDATE `Property` SET `Value` = 'INSTALLDIR;GIVENINSTALLDIR;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED'
      WHERE `Property` = 'SecureCustomProperties'"
  RESULT_VARIABLE status ERROR_VARIABLE errors)
check("${status}" "${errors}")
# The dialogs of a full installation (wixl has no dialogs): welcome with the folder,
# progress, and the end of a completed, cancelled or failed installation.
file(GLOB ui_tables ${UI}/*.idt)
foreach(table ${ui_tables})
  execute_process(COMMAND ${MSIBUILD} ${MSI} -i ${table} RESULT_VARIABLE status ERROR_VARIABLE errors)
  check("${status}" "${errors}")
endforeach()
execute_process(COMMAND ${MSIBUILD} ${MSI}
  -q "INSERT INTO `InstallUISequence` (`Action`, `Condition`, `Sequence`) VALUES ('Willkommen', 'NOT Installed', 1297)"
  -q "INSERT INTO `InstallUISequence` (`Action`, `Sequence`) VALUES ('Fortschritt', 1299)"
  -q "INSERT INTO `InstallUISequence` (`Action`, `Sequence`) VALUES ('Fertig', -1)"
  -q "INSERT INTO `InstallUISequence` (`Action`, `Sequence`) VALUES ('Abgebrochen', -2)"
  -q "INSERT INTO `InstallUISequence` (`Action`, `Sequence`) VALUES ('Fehler', -3)"
  RESULT_VARIABLE status ERROR_VARIABLE errors)
check("${status}" "${errors}")
