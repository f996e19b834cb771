# The window's catalogues are complete: lupdate, run over the sources with the build's
# options into a copy of each catalogue, must find nothing new, nothing gone and no
# message without a finished translation. Arguments: LUPDATE, SOURCE_DIR, SCRATCH,
# TS_FILES and OPTIONS (lupdate's options), each a list with "|" between its items.

string(REPLACE "|" ";" TS_FILES "${TS_FILES}")
string(REPLACE "|" ";" OPTIONS "${OPTIONS}")

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
set(failures "")
foreach(ts ${TS_FILES})
  get_filename_component(name "${ts}" NAME)
  set(copy "${SCRATCH}/${name}")
  file(COPY_FILE "${ts}" "${copy}")
  execute_process(
    COMMAND "${LUPDATE}" -silent ${OPTIONS} -I "${SOURCE_DIR}" -I "${SOURCE_DIR}/_units" -extensions cpp,h
            "${SOURCE_DIR}/app" -ts "${copy}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "lupdate failed on ${name}:\n${output}")
  endif()
  file(READ "${copy}" updated)
  file(READ "${ts}" committed)

  # Every message with its translation state, for readable failures.
  string(REGEX MATCHALL "<source>[^<]*(<byte value=\"xd\"/>[^<]*)*</source>[ \n]*(<comment>[^<]*</comment>[ \n]*)?<translation[^>]*>[^<]*(<byte value=\"xd\"/>[^<]*)*</translation>"
         messages "${updated}")
  list(LENGTH messages count)
  if(count EQUAL 0)
    list(APPEND failures "${name}: no messages found")
  endif()
  foreach(message IN LISTS messages)
    string(REGEX MATCH "<source>(.*)</source>" source "${message}")
    set(source "${CMAKE_MATCH_1}")
    if(message MATCHES "type=\"unfinished\"")
      list(APPEND failures "${name}: no finished translation for \"${source}\"")
    elseif(message MATCHES "type=\"(vanished|obsolete)\"")
      list(APPEND failures "${name}: \"${source}\" is no longer in the sources")
    elseif(message MATCHES "<translation[^>]*></translation>")
      list(APPEND failures "${name}: empty translation for \"${source}\"")
    endif()
  endforeach()
  if(NOT updated STREQUAL committed)
    list(APPEND failures "${name}: lupdate changes the catalogue (run: cmake --build <dir> --target update_translations)")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "The window's catalogues are incomplete:\n${text}")
endif()
message(STATUS "Catalogues complete")
