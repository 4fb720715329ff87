# cmake --install: the programs and everything they find beside themselves go into one private
# directory (lib/vantor), exactly as build/bin holds them; bin/ gets links to the two programs.
include(GNUInstallDirs)
set(VANTOR_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/vantor)

set(_programs vantor-cli)
if(TARGET Vantor)
  list(APPEND _programs Vantor)
endif()
install(TARGETS ${_programs} RUNTIME DESTINATION ${VANTOR_INSTALL_DIR})
install(TARGETS Artbank LIBRARY DESTINATION ${VANTOR_INSTALL_DIR} RUNTIME DESTINATION ${VANTOR_INSTALL_DIR})
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
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/vantor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/programmer/ui/resources/vantor.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/60-vantor.udev.rules DESTINATION lib/udev/rules.d RENAME 60-vantor.rules)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# cpack -G DEB: a package for Debian 12.
set(CPACK_PACKAGE_NAME vantor)
set(CPACK_PACKAGE_VENDOR "TarvikTech")
set(CPACK_PACKAGE_CONTACT "Vantor maintainers <vantor@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Host software of the TR600 device programmers")
set(CPACK_PACKAGE_DESCRIPTION "Vantor programs, reads, verifies and erases microcontrollers and memories with the
TR600 family of USB device programmers: a Qt desktop program, a command-line program
for scripts and production, device libraries and a built-in programmer simulator.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries Qt loads at run time: the window system plugins and the audio back end.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst)
include(CPack)
