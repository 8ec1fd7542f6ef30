# Writes OUTPUT, a header defining TAMREL_COMMIT: the commit the source tree
# is at (with "-dirty" when tracked files differ from it), or FALLBACK when
# SOURCE_DIR is no git checkout (a source archive). The file is rewritten only
# when its text changes, so an unchanged commit rebuilds nothing.
#
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DFALLBACK=... -P WriteCommit.cmake

set(commit "${FALLBACK}")
find_package(Git QUIET)
if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
        OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE failed ERROR_QUIET)
    if(NOT failed AND head)
        set(commit "${head}")
        execute_process(
            COMMAND ${GIT_EXECUTABLE} -C "${SOURCE_DIR}" status --porcelain --untracked-files=no
            OUTPUT_VARIABLE changes RESULT_VARIABLE failed ERROR_QUIET)
        if(NOT failed AND changes)
            string(APPEND commit "-dirty")
        endif()
    endif()
endif()

set(text "// Written by the build (packaging/cmake/WriteCommit.cmake).\n#pragma once\n#define TAMREL_COMMIT \"${commit}\"\n")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
    file(WRITE "${OUTPUT}" "${text}")
endif()
