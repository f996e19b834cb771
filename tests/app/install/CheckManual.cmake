# The manual: the build has made Fotarium.pdf beside the program, and it has pages; the tool
# that makes it takes Markdown and HTML, breaks long texts into pages, and never leaves a
# broken PDF behind when it fails.
#
#   cmake -DMAKE_MANUAL=... -DMANUAL_PDF=... -DSCRATCH=... -P CheckManual.cmake
# (QT_QPA_PLATFORM=offscreen in the environment)

# A function, not a macro: the messages quote tool output, which must not be parsed again.
set_property(GLOBAL PROPERTY failures 0)
function(fail message)
  message(SEND_ERROR "${message}")
  get_property(count GLOBAL PROPERTY failures)
  math(EXPR count "${count} + 1")
  set_property(GLOBAL PROPERTY failures ${count})
endfunction()

# Pages of a PDF: Qt writes every page object uncompressed with "/Type /Page"; the page
# tree's "/Type /Pages" must not count.
function(pdf_pages file result)
  set(${result} 0 PARENT_SCOPE)
  if(NOT EXISTS "${file}")
    return()
  endif()
  file(READ "${file}" head LIMIT 5 HEX)
  if(NOT head STREQUAL "255044462d") # "%PDF-"
    return()
  endif()
  file(STRINGS "${file}" objects REGEX "/Type */Page")
  list(FILTER objects EXCLUDE REGEX "/Type */Pages")
  list(LENGTH objects count)
  set(${result} ${count} PARENT_SCOPE)
endfunction()

function(make_manual source target result)
  execute_process(COMMAND "${MAKE_MANUAL}" "${source}" "${target}" RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  set(${result} "${rc}" PARENT_SCOPE)
  set(make_manual_output "${out}${err}" PARENT_SCOPE)
endfunction()

# The built manual, where the help buttons open it.
pdf_pages("${MANUAL_PDF}" pages)
if(pages LESS 2)
  fail("${MANUAL_PDF}: expected a PDF of several pages, found ${pages} page(s)")
endif()
if(EXISTS "${MANUAL_PDF}")
  file(SIZE "${MANUAL_PDF}" size)
  math(EXPR offset "${size} - 16")
  file(READ "${MANUAL_PDF}" tail OFFSET ${offset} HEX)
  if(NOT tail MATCHES "2525454f46") # "%%EOF"
    fail("${MANUAL_PDF} is cut short (no %%EOF at its end)")
  endif()
endif()
set(built_pages ${pages})

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")

# A long Markdown text with a table: several pages.
set(md "# Probe\n\n| Spalte | Wert |\n|---|---|\n| Größe | 1 |\n\n")
foreach(i RANGE 1 120)
  string(APPEND md "Absatz ${i}: Ähnliche Zeilen füllen die Seiten, damit der Umbruch greift.\n\n")
endforeach()
file(WRITE "${SCRATCH}/long.md" "${md}")
make_manual("${SCRATCH}/long.md" "${SCRATCH}/long.pdf" rc)
pdf_pages("${SCRATCH}/long.pdf" pages)
if(NOT rc EQUAL 0 OR pages LESS 2)
  fail("a long Markdown manual gave exit ${rc} and ${pages} page(s): ${make_manual_output}")
endif()

# One short HTML page: exactly one page.
file(WRITE "${SCRATCH}/short.html" "<html><body><h1>Kurz</h1><p>Eine Seite.</p></body></html>")
make_manual("${SCRATCH}/short.html" "${SCRATCH}/short.pdf" rc)
pdf_pages("${SCRATCH}/short.pdf" pages)
if(NOT rc EQUAL 0 OR NOT pages EQUAL 1)
  fail("a short HTML manual gave exit ${rc} and ${pages} page(s): ${make_manual_output}")
endif()

# Failures leave the previous PDF as it was and no half-written file.
file(READ "${SCRATCH}/short.pdf" before HEX)
make_manual("${SCRATCH}/missing.md" "${SCRATCH}/short.pdf" rc)
if(rc EQUAL 0)
  fail("a missing source was reported as success")
endif()
file(WRITE "${SCRATCH}/empty.md" "  \n")
make_manual("${SCRATCH}/empty.md" "${SCRATCH}/short.pdf" rc)
if(rc EQUAL 0)
  fail("an empty manual was reported as success")
endif()
file(READ "${SCRATCH}/short.pdf" after HEX)
if(NOT before STREQUAL after)
  fail("a failed run changed the existing PDF")
endif()
make_manual("${SCRATCH}/long.md" "${SCRATCH}/no-such-folder/out.pdf" rc)
if(rc EQUAL 0)
  fail("an unwritable target was reported as success")
endif()
file(GLOB leftovers "${SCRATCH}/*")
list(FILTER leftovers EXCLUDE REGEX "/(long\\.md|long\\.pdf|short\\.html|short\\.pdf|empty\\.md)$")
if(leftovers)
  fail("failed runs left files behind: ${leftovers}")
endif()
execute_process(COMMAND "${MAKE_MANUAL}" "${SCRATCH}/long.md" RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 2)
  fail("a call without both arguments should be a usage error (2), gave ${rc}")
endif()

file(REMOVE_RECURSE "${SCRATCH}")
get_property(failures GLOBAL PROPERTY failures)
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} problem(s) with the manual")
endif()
message(STATUS "the manual has ${built_pages} pages")
