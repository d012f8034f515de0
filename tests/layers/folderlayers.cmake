# SPDX-License-Identifier: GPL-3.0-or-later
# Lists which folders of src/ include which, and fails when folders include each other in a
# cycle: a folder is a layer only if it can be built and understood without the ones above it.
#   cmake -DSOURCE_DIR=<repo>/src -P folderlayers.cmake
# Only quoted includes that start with the name of another folder of src/ count; a folder
# including its own headers is no cycle.
cmake_minimum_required(VERSION 3.16)

# A relative folder is taken from where cmake runs (IS_DIRECTORY would find it, GLOB would not).
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${SOURCE_DIR}")
    message(FATAL_ERROR "Give the src folder as -DSOURCE_DIR=<repo>/src")
endif()

file(GLOB entries LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
set(folders "")
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${SOURCE_DIR}/${entry}")
        list(APPEND folders "${entry}")
    endif()
endforeach()
list(SORT folders)

# The graph: to_<a> lists the folders a includes; count_<a>_<b> is the number of include
# lines behind the edge and first_<a>_<b> the first file (in name order) and line making it.
foreach(from IN LISTS folders)
    set(to_${from} "")
    file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}"
        "${SOURCE_DIR}/${from}/*.h" "${SOURCE_DIR}/${from}/*.cpp")
    list(SORT sources)
    foreach(source IN LISTS sources)
        file(STRINGS "${SOURCE_DIR}/${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]+)/.*" "\\1" to "${line}")
            if(to STREQUAL from OR NOT to IN_LIST folders)
                continue()
            endif()
            if(NOT to IN_LIST to_${from})
                list(APPEND to_${from} "${to}")
                set(count_${from}_${to} 0)
                string(STRIP "${line}" line)
                set(first_${from}_${to} "${source}: ${line}")
            endif()
            math(EXPR count_${from}_${to} "${count_${from}_${to}} + 1")
        endforeach()
    endforeach()
    list(SORT to_${from})
    list(JOIN to_${from} " " shown)
    string(STRIP "${from} -> ${shown}" shown)
    message("${shown}")
endforeach()

# Every simple cycle, found once: from its smallest folder, walking only through larger ones.
# path is the walk so far; each cycle found is appended to the global property "cycles".
function(walk start path)
    list(GET path -1 here)
    foreach(next IN LISTS to_${here})
        if(next STREQUAL start)
            list(APPEND path "${start}")
            list(JOIN path " -> " cycle)
            set_property(GLOBAL APPEND PROPERTY cycles "${cycle}")
            list(POP_BACK path)
        elseif(next STRGREATER start AND NOT next IN_LIST path)
            walk("${start}" "${path};${next}")
        endif()
    endforeach()
endfunction()

set_property(GLOBAL PROPERTY cycles "")
foreach(start IN LISTS folders)
    walk("${start}" "${start}")
endforeach()
get_property(cycles GLOBAL PROPERTY cycles)
if(NOT cycles)
    message("No cycles between the folders.")
    return()
endif()

# Each cycle with, for each of its edges, the first include making it: moving or removing
# the includes of any one edge breaks the cycle.
foreach(cycle IN LISTS cycles)
    set(report "\nCycle: ${cycle}")
    string(REPLACE " -> " ";" path "${cycle}")
    list(LENGTH path length)
    math(EXPR last "${length} - 2")
    foreach(i RANGE ${last})
        math(EXPR next "${i} + 1")
        list(GET path ${i} from)
        list(GET path ${next} to)
        string(APPEND report "\n    ${from} -> ${to} (includes: ${count_${from}_${to}}), "
            "first ${first_${from}_${to}}")
    endforeach()
    message("${report}")
endforeach()
list(LENGTH cycles cycleCount)
message(FATAL_ERROR "${cycleCount} include cycle(s) between the folders of src/, listed above")
