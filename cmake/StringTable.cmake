# Makes the two build products of the string table resources/strings.tsv, whose lines are
#   <id> TAB <names> TAB <text>     (names: none, or several separated by blanks)
#   # comment, or a blank line
# HEADER: common/StringIds.h, a constant in namespace ids for every name, with the table's comments
#   and blank lines (all but its opening block) in their places. Written only when it changes, so
#   that a change of a text alone rebuilds nothing that includes it.
# TABLE: the table as the program reads it, <id> TAB <text>: the names left out, all else as it is.
# Fails the build, naming the line, on an entry without its three columns, a malformed or repeated
# name, a repeated id, or a run (kXFirst .. kXLast) with an id missing from the table.
#
# Usage: cmake -DSOURCE=strings.tsv -DHEADER=StringIds.h -DTABLE=strings.tsv -P StringTable.cmake
cmake_minimum_required(VERSION 3.22)

foreach(argument SOURCE HEADER TABLE)
  if(NOT DEFINED ${argument})
    message(FATAL_ERROR "StringTable.cmake: ${argument} is not given")
  endif()
endforeach()

file(READ "${SOURCE}" content)

# The table as the program reads it. Every entry stands after a line end (the file opens with a
# comment), so one replacement over the whole text drops each entry's second column.
string(REGEX REPLACE "\n([0-9]+)\t[^\t\n]*\t" "\n\\1\t" table "${content}")
file(WRITE "${TABLE}" "${table}")

# CMake lists split at ';' and treat '\' and '[' ']' specially: stand-ins keep each line one
# element. Only comments carry them into the header, where they are put back.
string(REPLACE "\\" "@BS@" safe "${content}")
string(REPLACE "[" "@LB@" safe "${safe}")
string(REPLACE "]" "@RB@" safe "${safe}")
string(REPLACE ";" "@SC@" safe "${safe}")
string(REPLACE "\n" ";" lines "${safe}")

set(body "")
set(names "")
set(ids "")
set(opening TRUE)  # the table's own opening comment block is not copied
set(number 0)
foreach(line IN LISTS lines)
  math(EXPR number "${number} + 1")
  if(line STREQUAL "")
    set(opening FALSE)
    string(APPEND body "\n")
  elseif(line MATCHES "^#")
    if(NOT opening)
      string(REGEX REPLACE "^# ?" "// " comment "${line}")
      string(APPEND body "${comment}\n")
    endif()
  elseif(line MATCHES "^([0-9]+)\t([^\t]*)\t")
    set(entry_names "${CMAKE_MATCH_2}")
    math(EXPR id "${CMAKE_MATCH_1}")
    if(id IN_LIST ids)
      message(FATAL_ERROR "${SOURCE}:${number}: id ${id} is in the table twice")
    endif()
    list(APPEND ids ${id})
    set(id_${id} TRUE)
    string(REGEX MATCHALL "[^ ]+" entry_names "${entry_names}")
    foreach(name IN LISTS entry_names)
      if(NOT name MATCHES "^k[A-Z][A-Za-z0-9]*$")
        message(FATAL_ERROR "${SOURCE}:${number}: '${name}' is not an id name (kName)")
      endif()
      if(DEFINED value_${name})
        message(FATAL_ERROR "${SOURCE}:${number}: ${name} names two ids")
      endif()
      set(value_${name} ${id})
      list(APPEND names ${name})
      string(APPEND body "constexpr int ${name} = ${id};\n")
    endforeach()
  elseif(line MATCHES "^[0-9]")
    message(FATAL_ERROR "${SOURCE}:${number}: an entry is <id> TAB <names> TAB <text>")
  elseif(NOT line MATCHES "^[ \t\r]*$")
    message(FATAL_ERROR "${SOURCE}:${number}: neither an entry nor a comment")
  endif()
endforeach()

# Runs: code reaches their members as kXFirst + n, so every id of a run must be in the table.
foreach(name IN LISTS names)
  if(name MATCHES "^(k[A-Za-z0-9]*)First$")
    set(last "${CMAKE_MATCH_1}Last")
    if(DEFINED value_${last})
      if(value_${last} LESS value_${name})
        message(FATAL_ERROR "${SOURCE}: ${last} comes before ${name}")
      endif()
      foreach(id RANGE ${value_${name}} ${value_${last}})
        if(NOT id_${id})
          message(FATAL_ERROR "${SOURCE}: the run ${name} .. ${last} lacks id ${id}")
        endif()
      endforeach()
    endif()
  endif()
endforeach()

string(REPLACE "@SC@" ";" body "${body}")
string(REPLACE "@RB@" "]" body "${body}")
string(REPLACE "@LB@" "[" body "${body}")
string(REPLACE "@BS@" "\\" body "${body}")
string(REGEX REPLACE "^\n+" "" body "${body}")
string(REGEX REPLACE "\n+$" "\n" body "${body}")

set(header "#pragma once

// Made by the build from resources/strings.tsv (cmake/StringTable.cmake): edit the table, not this
// file. One constant for each name in the table's second column.
namespace ids {

${body}
}  // namespace ids
")

set(old "")
if(EXISTS "${HEADER}")
  file(READ "${HEADER}" old)
endif()
if(NOT old STREQUAL header)
  file(WRITE "${HEADER}" "${header}")
endif()
