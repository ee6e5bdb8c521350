# Puts the option list mapgis-import gives (--help-man) in place of the line
# MAPGIS_IMPORT_OPTIONS of its manual page: cmake -DPROGRAM=... -DPAGE=... -DOUT=... -P ManPage.cmake
execute_process(COMMAND ${PROGRAM} --help-man OUTPUT_VARIABLE options RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR options STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} --help-man gave no option list (${result})")
endif()
file(READ ${PAGE} page)
string(FIND "${page}" "MAPGIS_IMPORT_OPTIONS\n" at)
if(at EQUAL -1)
    message(FATAL_ERROR "${PAGE} has no line MAPGIS_IMPORT_OPTIONS")
endif()
string(REPLACE "MAPGIS_IMPORT_OPTIONS\n" "${options}" page "${page}")
file(WRITE ${OUT} "${page}")
