# What an installation adds (`cmake --install build --prefix P`): the two programs, the desktop
# entry, the project file type, the application icon, the AppStream metainfo, the manual pages and
# the bash completion; and the Debian package (`make package`). Included from the root CMakeLists.txt
# after every target is defined.
include(GNUInstallDirs)

# The one application id: desktop entry, MIME package, icon and metainfo are named after it.
set(SIG_APP_ID name.sigcfg.configurator)
set(SIG_DIST ${CMAKE_SOURCE_DIR}/dist)
set(SIG_DIST_OUT ${CMAKE_BINARY_DIR}/dist)
set(SIG_PACKAGE_MAINTAINER "The sigcfg developers <developers@sigcfg.name>"
    CACHE STRING "Maintainer field of the Debian package")

# The newest changelog entry must be this version's: it gives the release date that the metainfo
# and the manual pages carry, so a new version cannot ship with the old release notes.
file(STRINGS ${SIG_DIST}/debian/changelog SIG_CHANGELOG)
list(GET SIG_CHANGELOG 0 SIG_CHANGELOG_HEAD)
if(NOT SIG_CHANGELOG_HEAD MATCHES "^sigcfg \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "dist/debian/changelog: the newest entry is not for version ${PROJECT_VERSION}; "
                        "add one above it (and a release in dist/${SIG_APP_ID}.metainfo.xml.in)")
endif()
foreach(line IN LISTS SIG_CHANGELOG)
    if(line MATCHES "^ -- .*  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
        set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
        list(FIND months ${CMAKE_MATCH_2} month)
        math(EXPR month "${month} + 1")
        string(LENGTH "${month}" digits)
        if(digits EQUAL 1)
            set(month "0${month}")
        endif()
        set(SIG_RELEASE_DATE "${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1}")
        break()
    endif()
endforeach()
if(NOT SIG_RELEASE_DATE)
    message(FATAL_ERROR "dist/debian/changelog: no date line ( -- name <mail>  Mon, 07 Dec 2026 ...) found")
endif()

# The addresses in the manual pages and the metainfo: whole lines and sections only when the build
# names a home page, so that no page shows an empty or placeholder address.
set(SIG_MAN_HOME_EN "")
set(SIG_MAN_HOME_RU "")
set(SIG_MAN_BUGS_EN "")
set(SIG_MAN_BUGS_RU "")
set(SIG_METAINFO_URLS "")
if(SIG_HOMEPAGE)
    set(SIG_MAN_HOME_EN ", ${SIG_HOMEPAGE}")
    set(SIG_MAN_HOME_RU ", ${SIG_HOMEPAGE}")
    set(SIG_MAN_BUGS_EN ".SH REPORTING BUGS\nReport faults at ${SIG_BUG_ADDRESS}.\n")
    set(SIG_MAN_BUGS_RU ".SH \"СООБЩЕНИЯ ОБ ОШИБКАХ\"\nОб ошибках сообщайте на ${SIG_BUG_ADDRESS}.\n")
    # The screenshots live beside the home page: a software centre fetches them from there.
    string(CONCAT SIG_METAINFO_URLS
        "  <url type=\"homepage\">${SIG_HOMEPAGE}</url>\n"
        "  <url type=\"bugtracker\">${SIG_BUG_ADDRESS}</url>\n"
        "  <screenshots>\n"
        "    <screenshot type=\"default\">\n"
        "      <caption>The project tree and a scenario</caption>\n"
        "      <image>${SIG_HOMEPAGE}/screenshots/main.png</image>\n"
        "    </screenshot>\n"
        "    <screenshot>\n"
        "      <caption>The week chart</caption>\n"
        "      <image>${SIG_HOMEPAGE}/screenshots/week.png</image>\n"
        "    </screenshot>\n"
        "  </screenshots>\n")
endif()
configure_file(${SIG_DIST}/${SIG_APP_ID}.metainfo.xml.in ${SIG_DIST_OUT}/${SIG_APP_ID}.metainfo.xml @ONLY)

# Manual pages and the changelog go compressed, without a time stamp, as Debian wants them. The
# Russian pages are the main ones (man/ru/man1, what a Russian desktop shows); the English ones
# stay in man/man1 for every other locale.
set(SIG_DIST_FILES)
foreach(page sigcfg sigcfg-tool)
    foreach(language en ru)
        set(in ${SIG_DIST}/${page}.1.in)
        if(language STREQUAL ru)
            set(in ${SIG_DIST}/${page}.ru.1.in)
        endif()
        set(out ${SIG_DIST_OUT}/man/${language})
        configure_file(${in} ${out}/${page}.1 @ONLY)
        add_custom_command(OUTPUT ${out}/${page}.1.gz
                           COMMAND gzip -9nfk ${page}.1
                           DEPENDS ${out}/${page}.1
                           WORKING_DIRECTORY ${out})
        list(APPEND SIG_DIST_FILES ${out}/${page}.1.gz)
    endforeach()
endforeach()
add_custom_command(OUTPUT ${SIG_DIST_OUT}/changelog.gz
                   COMMAND gzip -9n -c ${SIG_DIST}/debian/changelog > ${SIG_DIST_OUT}/changelog.gz
                   DEPENDS ${SIG_DIST}/debian/changelog)
list(APPEND SIG_DIST_FILES ${SIG_DIST_OUT}/changelog.gz)

install(TARGETS sigcfg-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Both programs look for the workbook and audio modules in ../lib/sigcfg/modules beside their folder
# (a folder below lib/sigcfg, so that the package needs no ldconfig call for a private module).
install(TARGETS sigworkbookmodule sigaudiomodule LIBRARY DESTINATION lib/sigcfg/modules)
# The renderer behind "sigcfg-tool print" is no command of its own: it lives in the private folder.
if(TARGET sigplayermodule)
    install(TARGETS sigplayermodule sigpreviewmodule LIBRARY DESTINATION lib/sigcfg/modules)
endif()
if(TARGET sigcfg-print)
    install(TARGETS sigcfg-print RUNTIME DESTINATION lib/sigcfg)
endif()
install(FILES ${SIG_DIST_OUT}/man/en/sigcfg-tool.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${SIG_DIST_OUT}/man/ru/sigcfg-tool.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ru/man1)
install(FILES ${SIG_DIST}/sigcfg-tool.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME sigcfg-tool)
install(FILES ${SIG_DIST}/debian/copyright ${SIG_DIST_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sigcfg)
install(FILES ${SIG_DIST}/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME sigcfg)

# The window program and what the desktop needs to show it (not in a build without the window).
if(TARGET sigcfg)
    # The PNG sizes are rendered from the SVG at build time by the renderer that draws the
    # toolbar's icons (ui/CMakeLists.txt).
    foreach(size 48 128 256)
        set(png ${SIG_DIST_OUT}/icons/${size}x${size}/${SIG_APP_ID}.png)
        add_custom_command(OUTPUT ${png}
                           COMMAND ${CMAKE_COMMAND} -E make_directory ${SIG_DIST_OUT}/icons/${size}x${size}
                           COMMAND sigcfg-rendericon ${SIG_DIST}/${SIG_APP_ID}.svg ${size} ${png}
                           DEPENDS sigcfg-rendericon ${SIG_DIST}/${SIG_APP_ID}.svg)
        list(APPEND SIG_DIST_FILES ${png})
        install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()

    install(TARGETS sigcfg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${SIG_DIST}/${SIG_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${SIG_DIST}/${SIG_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
    install(FILES ${SIG_DIST}/${SIG_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${SIG_DIST}/application-x-sigcfg-project.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
    install(FILES ${SIG_DIST_OUT}/${SIG_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${SIG_DIST_OUT}/man/en/sigcfg.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${SIG_DIST_OUT}/man/ru/sigcfg.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ru/man1)
endif()
add_custom_target(sigcfg-dist ALL DEPENDS ${SIG_DIST_FILES})

# The Debian package: `make package` or `cpack` in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sigcfg)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${SIG_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator of a signal timer's bell and announcement schedule")
# Debian wraps nothing: lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A signal timer plays numbered MP3 tracks into loudspeaker zones at set\n"
    "times on set days of the week: the bells and announcements of a school\n"
    "or a factory. sigcfg prepares its schedule in one window: groups of zones\n"
    "with their scenarios, project files (.vlpj), CSV and spreadsheet exchange,\n"
    "a check for clashing scenarios and the copy of the playlist to the\n"
    "device's SD card. The window is in Russian.\n"
    "\n"
    "sigcfg-tool does the same work on project files from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, not linked: the SVG icon engine that draws the toolbar, and the voices that
# speak announcements (libespeak-ng1 asks for them too, but the voices are what we read). Qt's own
# Russian texts (buttons, file dialogs) are welcome but the program runs without them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, espeak-ng-data")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
if(SIG_HOMEPAGE)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${SIG_HOMEPAGE}")
endif()
include(CPack)

# The completion driven as bash drives it, for every command of the tool.
add_test(NAME dist_completion COMMAND bash ${CMAKE_SOURCE_DIR}/tests/dist/test_completion.sh
                                      ${SIG_DIST}/sigcfg-tool.bash $<TARGET_FILE:sigcfg-tool>)

# The installed layout checked by the real validators, and the package's file list.
if(TARGET sigcfg AND NOT SIG_SANITIZE)
    add_test(NAME dist_install COMMAND bash ${CMAKE_SOURCE_DIR}/tests/dist/test_install.sh ${CMAKE_BINARY_DIR}
                                       ${SIG_APP_ID})
    add_test(NAME dist_package COMMAND bash ${CMAKE_SOURCE_DIR}/tests/dist/test_package.sh ${CMAKE_BINARY_DIR}
                                       ${PROJECT_VERSION})
    set_tests_properties(dist_install dist_package PROPERTIES SKIP_RETURN_CODE 77)
endif()
