# Install layout and the Debian package. The program installs like the Debian
# software around it: binaries in /usr/bin, the man pages, the desktop entry and its
# icons under /usr/share, and the service with its user, state folder and sysctl
# snippet under /usr/lib. `make package` (CPack) turns that layout into a .deb.

# The package's layout is the default one: a Debian system's /usr. A station that
# installs by hand elsewhere passes -DCMAKE_INSTALL_PREFIX at configure time (the
# unit's ExecStart follows it; systemd reads units, sysusers.d, tmpfiles.d and
# sysctl.d from /usr/local/lib too, not from other prefixes).
# A build folder configured before this layout existed holds CMake's own default,
# /usr/local, in its cache (a completed configure has cached CLANG_FORMAT_EXE): it
# moves to /usr as well, once.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT
   OR (CMAKE_INSTALL_PREFIX STREQUAL "/usr/local" AND DEFINED CACHE{CLANG_FORMAT_EXE}
       AND NOT DEFINED CACHE{TRELVO_INSTALL_LAYOUT}))
    set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
set(TRELVO_INSTALL_LAYOUT 1 CACHE INTERNAL "The install prefix has been chosen")
include(GNUInstallDirs)

set(TRELVO_PACKAGE_MAINTAINER "Trelvo maintainers <maintainers@users.noreply.c-seed-26373529.example>"
    CACHE STRING "Maintainer named in the Debian package and its changelog")

# The service's root folder: fixed, as the unit, the sysusers and tmpfiles snippets
# and the documentation name it.
set(TRELVO_STATE_DIR /var/lib/trelvo)
set(TRELVO_FULL_BINDIR ${CMAKE_INSTALL_FULL_BINDIR})
# systemd's own folders below the prefix (lib/, not the multiarch library folder).
set(TRELVO_UNIT_DIR lib/systemd/system)
set(TRELVO_SYSUSERS_DIR lib/sysusers.d)
set(TRELVO_TMPFILES_DIR lib/tmpfiles.d)
set(TRELVO_SYSCTL_DIR lib/sysctl.d)
set(TRELVO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/trelvo)
set(TRELVO_ICON_SIZES 16 32 48 64 128 256)

set(pkg_src ${PROJECT_SOURCE_DIR}/packaging)
set(pkg_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${pkg_out})

# The unit and the snippets name the binary folder and the state folder.
configure_file(${pkg_src}/trelvo.service.in ${pkg_out}/trelvo.service @ONLY)
configure_file(${pkg_src}/trelvo.sysusers ${pkg_out}/sysusers/trelvo.conf @ONLY)
configure_file(${pkg_src}/trelvo.tmpfiles ${pkg_out}/tmpfiles/trelvo.conf @ONLY)
set(TRELVO_FULL_SYSCTL_DIR ${CMAKE_INSTALL_PREFIX}/${TRELVO_SYSCTL_DIR})
foreach(script postinst prerm postrm)
    configure_file(${pkg_src}/${script} ${pkg_out}/control/${script} @ONLY
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                         WORLD_READ WORLD_EXECUTE)
endforeach()

# Generated files: the gzipped man pages (gzip -n: no name nor time stamp, so one
# source gives one package), the PNG icons from the SVG, the Debian changelog.
set(generated)
foreach(page KZ3_Trelvo.1 sound4-sim.1)
    set(out ${pkg_out}/man/${page}.gz)
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/man/${page} ${pkg_out}/man/${page}
        COMMAND gzip -9nf ${pkg_out}/man/${page}
        DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}
        COMMENT "Man page ${page}" VERBATIM)
    list(APPEND generated ${out})
endforeach()

find_program(RSVG_CONVERT_EXE rsvg-convert)
if(RSVG_CONVERT_EXE)
    foreach(size ${TRELVO_ICON_SIZES})
        set(out ${pkg_out}/icons/${size}x${size}/trelvo.png)
        add_custom_command(OUTPUT ${out}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${pkg_out}/icons/${size}x${size}
            COMMAND ${RSVG_CONVERT_EXE} -w ${size} -h ${size} -o ${out} ${pkg_src}/icons/trelvo.svg
            DEPENDS ${pkg_src}/icons/trelvo.svg
            COMMENT "Icon ${size}x${size}" VERBATIM)
        list(APPEND generated ${out})
        install(FILES ${out} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
else()
    message(WARNING "rsvg-convert not found (Debian package librsvg2-bin, scripts/install-deps.sh): "
                    "the PNG icons are neither built nor installed")
endif()

# The changelog carries the program's version, which the version stamp computes at
# every build: run after it, rewritten only when it changes.
add_custom_target(trelvo_package_files ALL
    COMMAND ${CMAKE_COMMAND} -DSTAMP=${PROJECT_BINARY_DIR}/src/generated/BuildStamp.h
            -DOUT_DIR=${pkg_out} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            "-DMAINTAINER=${TRELVO_PACKAGE_MAINTAINER}"
            -P ${PROJECT_SOURCE_DIR}/cmake/DebianChangelog.cmake
    DEPENDS ${generated}
    BYPRODUCTS ${pkg_out}/changelog.Debian.gz ${pkg_out}/version.txt
    COMMENT "Package changelog" VERBATIM)
add_dependencies(trelvo_package_files trelvo_build_stamp)

install(FILES ${pkg_out}/trelvo.service DESTINATION ${TRELVO_UNIT_DIR})
install(FILES ${pkg_out}/sysusers/trelvo.conf DESTINATION ${TRELVO_SYSUSERS_DIR})
install(FILES ${pkg_out}/tmpfiles/trelvo.conf DESTINATION ${TRELVO_TMPFILES_DIR})
install(FILES ${pkg_src}/60-trelvo.conf DESTINATION ${TRELVO_SYSCTL_DIR})
install(FILES ${pkg_src}/trelvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${pkg_src}/icons/trelvo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${pkg_out}/man/KZ3_Trelvo.1.gz ${pkg_out}/man/sound4-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${pkg_src}/copyright ${pkg_out}/changelog.Debian.gz DESTINATION ${TRELVO_DOC_DIR})
install(FILES ${pkg_src}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME trelvo)

# A stripped install (the package's) strips as Debian does: symbols, and the compiler's
# .comment and .note sections, which nothing reads. Deferred to the end of the top
# folder, so that it runs after the binaries' own install rules.
function(trelvo_strip_like_debian)
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            foreach(binary KZ3_Trelvo sound4-sim)
                execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                        --remove-section=.note \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${binary}\"
                    RESULT_VARIABLE result)
                if(NOT result EQUAL 0)
                    message(FATAL_ERROR \"objcopy failed on \${binary}\")
                endif()
            endforeach()
        endif()")
endfunction()
cmake_language(DEFER CALL trelvo_strip_like_debian)

# Debian's hardening for the binaries a station runs (dpkg-buildflags): fortified libc
# calls, a strong stack protector, a read-only relocation table resolved at start.
# Optimised builds only (fortification needs the optimiser), and not under the
# sanitizers or the fuzzer, which bring their own instrumentation.
if(NOT TRELVO_SANITIZE AND NOT TRELVO_FUZZ)
    add_compile_options($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>
                        -fstack-protector-strong)
    add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()

# The .deb. Its version is the program's (read at packaging time from what the build
# wrote) with Debian revision 1; its dependencies are computed by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trelvo)
set(CPACK_PACKAGE_VENDOR Mirevox)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "relay between an on-air player and Sound4 processors")
set(CPACK_PACKAGE_DESCRIPTION
    "Trelvo stands between a radio station's on-air player and up to four Sound4
broadcast audio processors. It keeps a logged-in telnet session with each
processor, turns the player's tagged UDP messages into processor command lines
(raw commands, RDS programme service names and radio texts), sends datagrams to
network peripherals, keeps an incident list and a daily trace log, and mails
alerts.

The package holds the program with its windows and as a systemd service
(trelvo.service, user trelvo, state in /var/lib/trelvo), and sound4-sim, a
telnet server that answers like Sound4 units, for rehearsals without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TRELVO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The maintainer scripts create the user and the state folder with these two.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "systemd-sysusers, systemd-tmpfiles")
# French standard dialog buttons, the relay's TLS certificates, sysctl.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, ca-certificates, procps")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${pkg_out}/control/postinst ${pkg_out}/control/prerm ${pkg_out}/control/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PROJECT_CONFIG_FILE ${pkg_out}/CPackProjectConfig.cmake)
set(TRELVO_PACKAGE_VERSION_FILE ${pkg_out}/version.txt)
configure_file(${PROJECT_SOURCE_DIR}/cmake/CPackProjectConfig.cmake.in ${CPACK_PROJECT_CONFIG_FILE} @ONLY)
include(CPack)
