# The date of the latest entry of a Debian changelog, read from the trailer line that ends
# it (" -- Name <address>  Tue, 01 Dec 2026 12:00:00 +0000"). The installed changelog, the
# Debian package and the Windows zip take their time stamps from it, so that the same
# sources give the same bytes whenever and wherever they are built.
#   cmake -DCHANGELOG=FILE -P changelog_date.cmake    prints it in seconds since 1970
function(tabrivet_changelog_date changelog out_var)
  file(STRINGS "${changelog}" trailer REGEX "^ -- .*>  " LIMIT_COUNT 1)
  string(REGEX REPLACE "^ -- .*>  " "" date "${trailer}")
  if(date STREQUAL "")
    message(FATAL_ERROR "${changelog}: no ' -- Name <address>  date' line ends its latest entry")
  endif()
  set(${out_var} "${date}" PARENT_SCOPE)
endfunction()

# The same date in seconds since 1970, as SOURCE_DATE_EPOCH gives it.
function(tabrivet_changelog_epoch changelog out_var)
  tabrivet_changelog_date("${changelog}" date)
  execute_process(COMMAND date -d "${date}" +%s OUTPUT_VARIABLE epoch
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "cannot read the changelog's date '${date}'")
  endif()
  set(${out_var} "${epoch}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE AND DEFINED CHANGELOG)
  tabrivet_changelog_epoch("${CHANGELOG}" _tabrivet_epoch)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${_tabrivet_epoch}")
endif()
