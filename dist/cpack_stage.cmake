# Run by cpack once it has installed the files into its staging folder, before it makes
# the Debian package, so that one commit gives the same package byte for byte:
# - every folder gets Debian's mode, whatever the umask of the build (the files' modes
#   are set by the install rules);
# - every file and folder, both archives inside the package and the package's own headers
#   take the time of the latest changelog entry rather than the time of the build (CPack
#   uses SOURCE_DATE_EPOCH for all of them). A SOURCE_DATE_EPOCH already set by whoever
#   runs cpack is kept.
file(GLOB_RECURSE _tabrivet_staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(_tabrivet_path "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" ${_tabrivet_staged})
  if(IS_DIRECTORY "${_tabrivet_path}")
    file(CHMOD "${_tabrivet_path}" DIRECTORY_PERMISSIONS
         OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()

if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  include("${CPACK_TABRIVET_DIST_DIR}/changelog_date.cmake")
  tabrivet_changelog_epoch("${CPACK_TABRIVET_DIST_DIR}/changelog" _tabrivet_epoch)
  set(ENV{SOURCE_DATE_EPOCH} "${_tabrivet_epoch}")
endif()
