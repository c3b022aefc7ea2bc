# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the manual page znktool.1.gz from what the program itself says: `znktool --help` gives
# the synopsis (its first paragraph) and the description, `znktool --version` the copyright.
#
#   cmake -DZNKTOOL=path -DOUT=znktool.1.gz -DGZIP=gzip -DDATE=yyyy-mm-dd -DVERSION=v
#         -DSUMMARY=text -P make_manpage.cmake
foreach(var ZNKTOOL OUT GZIP DATE VERSION SUMMARY)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_manpage.cmake needs -D${var}=...")
  endif()
endforeach()

function(run_program option out)
  execute_process(COMMAND ${ZNKTOOL} ${option} OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ZNKTOOL} ${option} ended with ${status}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Roff for text shown as it is: backslashes and minus signs escaped, no line read as a request.
function(roff_text text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

run_program(--help help)
run_program(--version version)

string(FIND "${help}" "\n\n" split)
string(SUBSTRING "${help}" 0 ${split} synopsis)
math(EXPR rest "${split} + 2")
string(SUBSTRING "${help}" ${rest} -1 description)
string(REGEX REPLACE "(^|\n)(usage:)? *znktool" "\\1znktool" synopsis "${synopsis}")
string(FIND "${version}" "\n" first_line_end)
math(EXPR rest "${first_line_end} + 1")
string(SUBSTRING "${version}" ${rest} -1 copyright)

roff_text("${synopsis}" synopsis)
roff_text("${description}" description)
roff_text("${copyright}" copyright)
roff_text("${SUMMARY}" summary)
string(REGEX REPLACE "(^|\n)znktool" "\\1\\\\fBznktool\\\\fR" synopsis "${synopsis}")

file(WRITE "${OUT}.roff"
  ".TH ZNKTOOL 1 \"${DATE}\" \"ZNK Tool ${VERSION}\" \"User Commands\"\n"
  ".SH NAME\n"
  "znktool \\- ${summary}\n"
  ".SH SYNOPSIS\n"
  ".nf\n${synopsis}\n.fi\n"
  ".SH DESCRIPTION\n"
  ".nf\n${description}.fi\n"
  ".SH COPYRIGHT\n"
  ".nf\n${copyright}.fi\n")
execute_process(COMMAND ${GZIP} -9n -c "${OUT}.roff" OUTPUT_FILE "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip ended with ${status}")
endif()
