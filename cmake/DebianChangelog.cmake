# Writes the package's Debian changelog and version file from the version the build
# stamped into the program (BuildStamp.h), dated with the committer date of the
# commit being built (else the build time). Files are rewritten only when their
# content changes, and gzip -n keeps the compressed changelog the same for one commit.
file(STRINGS "${STAMP}" lines REGEX "#define TRELVO_VERSION_")
foreach(line ${lines})
    if(line MATCHES "TRELVO_VERSION_([A-Z]+) ([0-9]+)")
        set(${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
    endif()
endforeach()
if(NOT DEFINED MAJOR OR NOT DEFINED MINOR OR NOT DEFINED REVISION)
    message(FATAL_ERROR "no version in ${STAMP}")
endif()
# The program prints YYYY.MMDD.HHMM: month and day, hour and minute on two digits each.
string(LENGTH "${MINOR}" length)
math(EXPR minor_pad "4 - ${length}")
string(REPEAT "0" ${minor_pad} pad)
set(MINOR "${pad}${MINOR}")
string(LENGTH "${REVISION}" length)
math(EXPR revision_pad "4 - ${length}")
string(REPEAT "0" ${revision_pad} pad)
set(REVISION "${pad}${REVISION}")
set(version "${MAJOR}.${MINOR}.${REVISION}")

set(date "")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} log -1 --format=%cD
        RESULT_VARIABLE result OUTPUT_VARIABLE date ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0)
        set(date "")
    endif()
endif()
if(date STREQUAL "")
    string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()

function(write_if_changed path content)
    if(EXISTS "${path}")
        file(READ "${path}" old)
        if(old STREQUAL content)
            return()
        endif()
    endif()
    file(WRITE "${path}" "${content}")
endfunction()

write_if_changed("${OUT_DIR}/version.txt" "${version}\n")
set(changelog "trelvo (${version}-1) bookworm; urgency=medium

  * Build of version ${version} of the program.

 -- ${MAINTAINER}  ${date}
")
write_if_changed("${OUT_DIR}/changelog.Debian" "${changelog}")
if(NOT EXISTS "${OUT_DIR}/changelog.Debian.gz"
   OR "${OUT_DIR}/changelog.Debian" IS_NEWER_THAN "${OUT_DIR}/changelog.Debian.gz")
    execute_process(COMMAND gzip -9n -c INPUT_FILE "${OUT_DIR}/changelog.Debian"
        OUTPUT_FILE "${OUT_DIR}/changelog.Debian.gz" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "gzip failed on ${OUT_DIR}/changelog.Debian")
    endif()
endif()
