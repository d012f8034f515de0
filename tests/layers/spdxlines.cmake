# SPDX-License-Identifier: GPL-3.0-or-later
# Fails naming every source file whose first line (the second after a "#!" line) is not the
# licence's SPDX line: "// SPDX-License-Identifier: GPL-3.0-or-later" in C++ files, the same
# after "#" in CMake, shell and Python files.
#   cmake -DSOURCE_DIR=<repo> -P spdxlines.cmake
# Test data (tests/fixtures, fuzz/corpus) is not source and is left alone.
cmake_minimum_required(VERSION 3.16)

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT EXISTS "${SOURCE_DIR}/CMakeLists.txt")
    message(FATAL_ERROR "Give the repository as -DSOURCE_DIR=<repo>")
endif()

set(licence "SPDX-License-Identifier: GPL-3.0-or-later")
set(patterns "")
foreach(folder src tests bench fuzz scripts packaging)
    foreach(kind *.cpp *.h *.cmake CMakeLists.txt *.sh *.py)
        list(APPEND patterns "${SOURCE_DIR}/${folder}/${kind}")
    endforeach()
endforeach()
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" ${patterns})
list(APPEND sources CMakeLists.txt)
list(FILTER sources EXCLUDE REGEX "^(tests/fixtures|fuzz/corpus)/")
list(SORT sources)

set(missing "")
foreach(source IN LISTS sources)
    if(source MATCHES "\\.(cpp|h)$")
        set(wanted "// ${licence}")
    else()
        set(wanted "# ${licence}")
    endif()
    file(STRINGS "${SOURCE_DIR}/${source}" lines LIMIT_COUNT 2)
    list(LENGTH lines count)
    set(first "")
    if(count GREATER 0)
        list(GET lines 0 first)
    endif()
    if(first MATCHES "^#!" AND count GREATER 1)
        list(GET lines 1 first)
    endif()
    if(NOT first STREQUAL wanted)
        list(APPEND missing "${source}")
    endif()
endforeach()

list(LENGTH sources checked)
if(missing)
    list(JOIN missing "\n    " shown)
    list(LENGTH missing count)
    message(FATAL_ERROR "${count} of ${checked} source files lack \"${licence}\" after "
        "// or # as their first line (the second after a #! line):\n    ${shown}")
endif()
message("All ${checked} source files carry the SPDX line.")
