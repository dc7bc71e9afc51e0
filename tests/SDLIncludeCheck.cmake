# SDL belongs to the display's SDL backend (platform/Display/SDL): everything else reaches the
# display through Display/DisplayBackend.h, so that another backend can replace it. Run as
# `cmake -DSOURCE_DIR=<repository> -P SDLIncludeCheck.cmake`; fails naming every other file that
# includes one of SDL's headers.
#
# Also allowed to use SDL, because they drive SDL on purpose and are not part of MacPlatform:
# the demo game (a separate program, as a real game would be), the benchmarks' bare SDL
# peers, and the tests listed below that check the SDL backend itself.
set(allowed
    "^platform/Display/SDL/"
    "^demo/game/"
    "^bench/"
    "^tests/unit/Display/SDLBackendTest\\.cpp$")

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "SOURCE_DIR is not set")
endif()
set(folders platform GameWrapper lib CorvaneCore plugins tools demo tests bench fuzz)
set(patterns)
foreach(folder ${folders})
    foreach(extension c cc cpp cxx h hh hpp mm)
        list(APPEND patterns "${SOURCE_DIR}/${folder}/*.${extension}")
    endforeach()
endforeach()
file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE "${SOURCE_DIR}" ${patterns})

set(offenders)
foreach(source ${sources})
    set(permitted FALSE)
    foreach(pattern ${allowed})
        if(source MATCHES "${pattern}")
            set(permitted TRUE)
        endif()
    endforeach()
    if(permitted)
        continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${source}" includes
         REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](SDL2/)?SDL[A-Za-z0-9_]*\\.h[>\"]")
    if(includes)
        list(APPEND offenders "${source}")
    endif()
endforeach()

if(offenders)
    list(JOIN offenders "\n  " text)
    message(FATAL_ERROR "SDL is included outside platform/Display/SDL:\n  ${text}\n"
                        "Reach the display through platform/Display/DisplayBackend.h.")
endif()
list(LENGTH sources count)
message(STATUS "${count} source files checked: SDL stays in its backend")
