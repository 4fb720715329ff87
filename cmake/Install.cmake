# cmake --install: the programs and everything they find beside themselves go into one private
# directory (lib/vantor), exactly as build/bin holds them; bin/ gets links to the programs.
include(GNUInstallDirs)
set(VANTOR_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/vantor)
# The package's name, not the project's: Debian looks for the copyright file there.
set(VANTOR_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vantor)

set(_programs vantor-cli emx31-dbg)
foreach(optional_program Vantor emx31-dap)
  if(TARGET ${optional_program})
    list(APPEND _programs ${optional_program})
  endif()
endforeach()
install(TARGETS ${_programs} RUNTIME DESTINATION ${VANTOR_INSTALL_DIR})
# Both libraries are loaded at run time from beside the programs, never through the linker path.
install(TARGETS Artbank EMX31_EN LIBRARY DESTINATION ${VANTOR_INSTALL_DIR} RUNTIME DESTINATION ${VANTOR_INSTALL_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/emulator/EMX31_EN.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# Data files generated into build/bin: device libraries, configuration files, settings memory,
# sounds, translations, the manual.
install(DIRECTORY ${VANTOR_BIN_DIR}/ DESTINATION ${VANTOR_INSTALL_DIR}
        FILES_MATCHING PATTERN "*.dev" PATTERN "*.cfg" PATTERN "chip.set" PATTERN "*.wav" PATTERN "*.qm"
        PATTERN "*.html")
foreach(p IN LISTS _programs)
  install(CODE "
    set(_bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${_bin}\")
    file(RELATIVE_PATH _rel \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" \"\${CMAKE_INSTALL_PREFIX}/${VANTOR_INSTALL_DIR}/${p}\")
    file(CREATE_LINK \"\${_rel}\" \"\${_bin}/${p}\" SYMBOLIC)
    message(STATUS \"Installing: \${_bin}/${p} -> \${_rel}\")")
endforeach()
if(TARGET Vantor)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/com.tarviktech.Vantor.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/com.tarviktech.Vantor.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${CMAKE_SOURCE_DIR}/programmer/ui/resources/vantor.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/vantor-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME vantor.png)
  endforeach()
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/60-vantor.udev.rules DESTINATION lib/udev/rules.d RENAME 60-vantor.rules)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/bash-completion/vantor-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${VANTOR_DOC_DIR})

# Manual pages: scdoc sources beside the code, rendered and compressed at build time.
find_program(VANTOR_SCDOC scdoc)
find_program(VANTOR_GZIP gzip)
set(_manpages)
if(VANTOR_SCDOC AND VANTOR_GZIP)
  foreach(page vantor-cli.1 Vantor.1 emx31-dbg.1 emx31-dap.1)
    set(_source ${CMAKE_SOURCE_DIR}/docs/man/${page}.scd)
    if(NOT EXISTS ${_source})
      continue()
    endif()
    set(_out ${CMAKE_BINARY_DIR}/man/${page})
    add_custom_command(OUTPUT ${_out} ${_out}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${VANTOR_SCDOC} < ${_source} > ${_out}
      COMMAND ${VANTOR_GZIP} -9nc ${_out} > ${_out}.gz
      DEPENDS ${_source} VERBATIM)
    list(APPEND _manpages ${_out} ${_out}.gz)
    install(FILES ${_out}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  add_custom_target(manpages ALL DEPENDS ${_manpages})
else()
  message(WARNING "scdoc or gzip not found: manual pages are not built")
endif()

# The Debian changelog, compressed as policy wants it.
if(VANTOR_GZIP)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${VANTOR_GZIP} -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
  add_custom_target(package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${VANTOR_DOC_DIR})
endif()

# cpack -G DEB: a package for Debian 12. CPack splits the programs' debug information off into a
# separate -dbgsym package left in the build tree and ships them stripped.
set(CPACK_PACKAGE_NAME vantor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TarvikTech")
set(CPACK_PACKAGE_CONTACT "Vantor maintainers <maintainers@tarviktech.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "host software of the TR600 programmers and EMX31 emulator")
set(CPACK_PACKAGE_DESCRIPTION "Vantor programs, reads, verifies and erases microcontrollers and memories
with the TR600 family of USB device programmers: a Qt desktop program, a
command-line program for scripts and production lines, device libraries and
a built-in programmer simulator. It also holds the driver of the EMX31
in-circuit emulator for 8051 microcontrollers, its public header and
emx31-dbg, a command-line debugger for 8051 programs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "")
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
# Depends is computed from the programs' and libraries' own needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
# Loaded when a production line first opens its database, so no linker dependency names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpq5")
# Loaded by Qt at run time, so no linker dependency can name them: the window system plugins.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins, fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/prerm
    ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
