# The date of the latest entry of a Debian changelog, read from the trailer line that ends
# it (" -- Name <address>  Tue, 01 Dec 2026 12:00:00 +0000"). The installed changelog and
# the Debian package take their time stamps from it, so that the same sources give the
# same bytes whenever and wherever they are built.
function(tabrivet_changelog_date changelog out_var)
  file(STRINGS "${changelog}" trailer REGEX "^ -- .*>  " LIMIT_COUNT 1)
  string(REGEX REPLACE "^ -- .*>  " "" date "${trailer}")
  if(date STREQUAL "")
    message(FATAL_ERROR "${changelog}: no ' -- Name <address>  date' line ends its latest entry")
  endif()
  set(${out_var} "${date}" PARENT_SCOPE)
endfunction()
