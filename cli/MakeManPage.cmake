# Makes fotarium-cli.1 from the program's own help: help2man turns the main --help and
# --version into the page, and every command's --help becomes a part of its COMMANDS
# section, so the page never says anything the program does not.
# Arguments: CLI (the built program), HELP2MAN, OUT (the page), WORK (a scratch folder).
execute_process(COMMAND "${CLI}" --help OUTPUT_VARIABLE main RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed (${rc})")
endif()
string(REGEX REPLACE ".*Subcommands:\n" "" listing "${main}")
string(REGEX MATCHALL "\n?  ([a-z]+) " names "${listing}")
set(include "[COMMANDS]\n")
foreach(name ${names})
  string(STRIP "${name}" name)
  execute_process(COMMAND "${CLI}" ${name} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${CLI} ${name} --help failed (${rc})")
  endif()
  # A line starting with "." or "'" would be read as a request by troff.
  string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" help "${help}")
  string(APPEND include ".SS ${name}\n.nf\n${help}.fi\n")
endforeach()
file(MAKE_DIRECTORY "${WORK}")
file(WRITE "${WORK}/commands.h2m" "${include}")
execute_process(COMMAND "${HELP2MAN}" --no-info --no-discard-stderr --section=1
                        "--name=read and rewrite the metadata of JPEG, TIFF and Photoshop files"
                        --include=${WORK}/commands.h2m --output=${OUT} "${CLI}"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man failed (${rc}): ${err}")
endif()
