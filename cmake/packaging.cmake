# What `cpack` makes: on Linux the Debian package ormavell_VERSION_amd64.deb (the program, its
# desktop entry, icons, AppStream metainfo, manual page and Debian documents); on Windows the
# archive ormavell-VERSION-win64.zip with the program and a read-me.
set(pkg ${PROJECT_SOURCE_DIR}/resources/package)
set(CPACK_PACKAGE_NAME ormavell)
set(CPACK_PACKAGE_VENDOR Tevrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dress every folder of a drive for the Windows folder view")

if(WIN32)
  install(TARGETS ormavell RUNTIME DESTINATION .)
  install(FILES ${pkg}/README-windows.txt DESTINATION . RENAME README.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ormavell-${PROJECT_VERSION}-win64)
else()
  include(GNUInstallDirs)
  # Debian wants the manual page and the native package's change log compressed, reproducibly.
  set(gz ${CMAKE_CURRENT_BINARY_DIR}/package)
  add_custom_command(OUTPUT ${gz}/ormavell.1.gz ${gz}/changelog.gz
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${gz}
                     COMMAND gzip -9n -c ${pkg}/ormavell.1 > ${gz}/ormavell.1.gz
                     COMMAND gzip -9n -c ${pkg}/changelog > ${gz}/changelog.gz
                     DEPENDS ${pkg}/ormavell.1 ${pkg}/changelog VERBATIM)
  add_custom_target(ormavell_package_files ALL DEPENDS ${gz}/ormavell.1.gz ${gz}/changelog.gz)
  install(FILES ${gz}/ormavell.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${pkg}/io.github.tevrin.ormavell.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${pkg}/copyright ${gz}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ormavell)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tevrin <ormavell@tevrin.example>")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Qt's own dialog texts in Russian, without which the choosers speak English; a font of
  # Tahoma's widths, without which the captions do not fit their places.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation2")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Ormavell copies a picture into the root of a drive as a hidden backdrop and
writes into every folder's Desktop.INI the entries that make the Windows
folder view show that picture behind the folder's icons, with the label
colours you choose; it takes that dressing off again as well.
.
It dresses Windows-facing volumes: FAT USB sticks and disk images, NTFS
partitions, network shares and folders that Samba exports. It has a window
and a command line for scripts.")
endif()
include(CPack)
