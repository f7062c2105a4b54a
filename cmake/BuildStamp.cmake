# Writes the version header: the committer date of the commit being built, in the
# committer's own time zone, so that one commit always gets one version. Without a
# git checkout (a source tarball), the build time. Run at every build; the file is
# rewritten only when its content changes, so an unchanged tree relinks nothing.
set(stamp "")
find_package(Git QUIET)
# Only the checkout of this tree itself: a tarball unpacked inside another repository
# must not take that repository's date.
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} log -1 --format=%cd
                            --date=format:%Y-%m-%d-%H-%M
        RESULT_VARIABLE result OUTPUT_VARIABLE stamp ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0 OR NOT stamp MATCHES "^[0-9]+-[0-9]+-[0-9]+-[0-9]+-[0-9]+$")
        set(stamp "")
    endif()
endif()
if(stamp STREQUAL "")
    string(TIMESTAMP stamp "%Y-%m-%d-%H-%M")
    set(origin "build time")
else()
    set(origin "committer date")
endif()
string(REPLACE "-" ";" parts "${stamp}")
list(GET parts 0 year)
list(GET parts 1 month)
list(GET parts 2 day)
list(GET parts 3 hour)
list(GET parts 4 minute)
math(EXPR minor "${month} * 100 + ${day}")
math(EXPR revision "${hour} * 100 + ${minute}")
set(content "// Generated from the ${origin}\n#pragma once\n#define TRELVO_VERSION_MAJOR ${year}\n#define TRELVO_VERSION_MINOR ${minor}\n#define TRELVO_VERSION_REVISION ${revision}\n")
if(EXISTS "${OUT}")
    file(READ "${OUT}" old)
else()
    set(old "")
endif()
if(NOT old STREQUAL content)
    file(WRITE "${OUT}" "${content}")
endif()
