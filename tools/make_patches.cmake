# Builds patches.dat, the MIDI instruments of the game's tune, from Debian's freepats with
# the library's pat2dat.  Run as a script: cmake -DPAT2DAT=... -DFREEPATS_CFG=...
# -DFREEPATS_DIR=... -DWORK_DIR=... -DMIDI=... -DOUTPUT=... -P make_patches.cmake

# pat2dat reads the Gravis flavour of default.cfg, not TiMidity's (a plain copy of
# freepats.cfg leaves every drum missing and shifts every instrument by one):
#   - instruments are numbered from 1, TiMidity numbers programs from 0;
#   - percussion is the block after a "begin_multipatch" line, numbered by key, where
#     TiMidity has "drumset 0" (and here that section comes before "bank 0");
#   - the "dir" line is ignored, so file names must resolve from the working directory.
# So the index is rewritten in that flavour beside links to the two patch folders, and
# the build fails if pat2dat reports any instrument of the tune missing.

foreach(var PAT2DAT FREEPATS_CFG FREEPATS_DIR WORK_DIR MIDI OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_patches.cmake: ${var} is not set")
  endif()
endforeach()

file(MAKE_DIRECTORY ${WORK_DIR})
foreach(folder Tone_000 Drum_000)
  file(REMOVE ${WORK_DIR}/${folder})
  file(CREATE_LINK ${FREEPATS_DIR}/${folder} ${WORK_DIR}/${folder} SYMBOLIC)
endforeach()

# Collect the melodic bank 0 and percussion set 0 of the TiMidity index.
file(STRINGS ${FREEPATS_CFG} cfg_lines)
set(section "")
set(instruments "")
set(drums "")
foreach(line IN LISTS cfg_lines)
  string(STRIP "${line}" line)
  if(line MATCHES "^bank[ \t]+([0-9]+)")
    set(section "bank${CMAKE_MATCH_1}")
  elseif(line MATCHES "^drumset[ \t]+([0-9]+)")
    set(section "drumset${CMAKE_MATCH_1}")
  elseif(line MATCHES "^([0-9]+)[ \t]+(.*)$")
    set(number ${CMAKE_MATCH_1})
    set(rest "${CMAKE_MATCH_2}")
    if(section STREQUAL "bank0")
      math(EXPR number "${number} + 1")
      string(APPEND instruments "${number} ${rest}\n")
    elseif(section STREQUAL "drumset0")
      string(APPEND drums "${number} ${rest}\n")
    endif()
  endif()
endforeach()
if(instruments STREQUAL "" OR drums STREQUAL "")
  message(FATAL_ERROR "make_patches.cmake: no bank 0 or drumset 0 in ${FREEPATS_CFG}")
endif()
file(WRITE ${WORK_DIR}/default.cfg
  "# freepats (${FREEPATS_CFG}) in the Gravis index flavour that pat2dat reads.\n"
  "${instruments}\n129 begin_multipatch\n${drums}")

execute_process(
  COMMAND ${PAT2DAT} -o -c ${OUTPUT} default.cfg ${MIDI}
  WORKING_DIRECTORY ${WORK_DIR}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE report
  ERROR_VARIABLE report)
file(WRITE ${WORK_DIR}/pat2dat.log "${report}")
message("${report}")
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "pat2dat failed (${result})")
endif()
if(report MATCHES "can't find")
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "pat2dat is missing instruments of the tune (see above)")
endif()
