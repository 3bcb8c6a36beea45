# Installation on Linux and the Debian package made from it (cpack -G DEB, see scripts/package): the two
# programs, the desktop entry, icon and AppStream metadata, the manual pages, copyright and changelog.
include(GNUInstallDirs)

# The command line program's manual page is made from its own --help and --version, so that it always
# says what the program says.
find_program(ZW_HELP2MAN help2man)
if(NOT ZW_HELP2MAN)
  message(FATAL_ERROR "help2man not found: apt-get install help2man")
endif()
set(ZW_DOC_DIR ${CMAKE_BINARY_DIR}/doc)
file(MAKE_DIRECTORY ${ZW_DOC_DIR})
add_custom_command(OUTPUT ${ZW_DOC_DIR}/zwillingsfeger-cli.1.gz
  COMMAND ${ZW_HELP2MAN} --no-info --section=1 "--name=print groups of files with identical content"
          --output=${ZW_DOC_DIR}/zwillingsfeger-cli.1 $<TARGET_FILE:zwillingsfeger-cli>
  COMMAND gzip -9nf ${ZW_DOC_DIR}/zwillingsfeger-cli.1
  DEPENDS zwillingsfeger-cli VERBATIM)
# Debian's tools want these compressed, without a time stamp in the archive.
foreach(file zwillingsfeger.1 changelog)
  add_custom_command(OUTPUT ${ZW_DOC_DIR}/${file}.gz
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/data/${file} > ${ZW_DOC_DIR}/${file}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/data/${file})
endforeach()
add_custom_target(zw_doc ALL DEPENDS ${ZW_DOC_DIR}/zwillingsfeger-cli.1.gz ${ZW_DOC_DIR}/zwillingsfeger.1.gz
                                     ${ZW_DOC_DIR}/changelog.gz)

install(TARGETS zwillingsfeger zwillingsfeger-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/${ZW_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${ZW_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/${ZW_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${ZW_ICON_SIZES})
  install(FILES ${ZW_ICON_DIR}/${size}.png RENAME ${ZW_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${ZW_DOC_DIR}/zwillingsfeger.1.gz ${ZW_DOC_DIR}/zwillingsfeger-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/copyright ${ZW_DOC_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zwillingsfeger)

set(CPACK_PACKAGE_NAME zwillingsfeger)
set(CPACK_PACKAGE_VENDOR "The Zwillingsfeger developers")
set(CPACK_PACKAGE_CONTACT "The Zwillingsfeger developers <zwillingsfeger@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find files with identical content and delete surplus copies")
set(CPACK_PACKAGE_DESCRIPTION [=[Zwillingsfeger is a desktop program that finds files with identical
content below the folders the user adds, and deletes the copies the user
marks. Files are compared byte for byte; hard links and symbolic links are
never offered as copies. Its texts are German.

zwillingsfeger-cli prints the groups of identical files for scripts. It
changes nothing unless an action is given (delete, hard-link or reflink the
surplus copies), and checks every file again before acting.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/zwillingsfeger/zwillingsfeger)
# The libraries the programs need, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
