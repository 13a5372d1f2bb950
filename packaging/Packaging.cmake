# Installation layouts and the Debian package.
#
# The default layout is a program folder: everything below the install
# prefix, which the user who runs the program can write (see README.md).
# PELTRA_SYSTEM_LAYOUT installs like a Linux program instead, for the
# package that scripts/package makes with CPack:
#
#   <prefix>/lib/peltra/             the program folder: peltra, the movie
#                                    player, the sample tutorial, the game
#                                    template, the compiler and the web player
#   <prefix>/bin/peltra              a link to the program
#   <prefix>/share/applications/     the desktop entry
#   <prefix>/share/mime/packages/    the project file type (*.lrnf)
#   <prefix>/share/icons/hicolor/    the program's and the document's icons
#   <prefix>/share/metainfo/         the AppStream description
#   <prefix>/share/doc/peltra/       copyright and changelog
#   <prefix>/share/man/man1/         the manual page
#   <prefix>/share/lintian/overrides/ why the compiler's jars lie where they do
#
# The program folder is then read-only for its users, who build in a copy of
# its game folder in their own data folder (GetGameRoot).

option(PELTRA_SYSTEM_LAYOUT "Install as a system program below lib/peltra with the desktop files in share (the .deb)" OFF)

if(NOT PELTRA_SYSTEM_LAYOUT)
    set(PELTRA_PROGRAM_DESTINATION .)
    return()
endif()

set(PELTRA_PROGRAM_DESTINATION lib/peltra)
set(PELTRA_PACKAGE_MAINTAINER "Peltra developers <peltra@example.org>" CACHE STRING
    "The package's maintainer, as the control file and the changelog name it")
set(packaging_dir ${CMAKE_CURRENT_LIST_DIR})
set(packaging_build ${PROJECT_BINARY_DIR}/packaging)
set(program_folder ${PROJECT_BINARY_DIR}/bin)
set(PELTRA_METAINFO_ID org.peltra.Peltra)
string(TIMESTAMP PELTRA_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP PELTRA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

# --- The compiler and the web player, as scripts/setup-toolchain lays them
# out in the build's program folder. Only what a compile needs goes in: the
# compiler's other tools and their libraries stay out.
install(CODE "
    foreach(needed flex_sdk_4.6/bin/mxmlc flex_sdk_4.6/lib/compiler-mxmlc.jar flashplayer_11_sa.d/ruffle/ruffle.js)
        if(NOT EXISTS \"${program_folder}/\${needed}\")
            message(FATAL_ERROR \"${program_folder}/\${needed} is missing: run scripts/setup-toolchain ${program_folder}\")
        endif()
    endforeach()
")
install(DIRECTORY ${program_folder}/flex_sdk_4.6
    DESTINATION ${PELTRA_PROGRAM_DESTINATION}
    USE_SOURCE_PERMISSIONS
    PATTERN toolchain.stamp EXCLUDE
    PATTERN *-LICENSE.html EXCLUDE
    PATTERN *.new EXCLUDE
    REGEX "/lib/(adt|compc|compiler-asc|compiler-compc|compiler-optimizer|compiler-swfdump|fdb|flex-compiler-oem|formatter|linter|mxmlc|swfutils)\\.jar$" EXCLUDE
    REGEX "/lib/external/(commons-compress[^/]*|commons-lang[^/]*|hamcrest[^/]*)\\.jar$" EXCLUDE)
install(DIRECTORY ${program_folder}/flashplayer_11_sa.d/ruffle
    DESTINATION ${PELTRA_PROGRAM_DESTINATION}/flashplayer_11_sa.d
    PATTERN README.md EXCLUDE
    PATTERN .unpacked EXCLUDE)
# The libraries' licences come as whole web pages, with scripts that would
# fetch from the network; the package carries their text.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
install(CODE "
    file(GLOB pages \"${program_folder}/flex_sdk_4.6/lib/external/*-LICENSE.html\")
    foreach(page IN LISTS pages)
        get_filename_component(name \"\${page}\" NAME_WE)
        set(text \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${PELTRA_PROGRAM_DESTINATION}/flex_sdk_4.6/lib/external/\${name}.txt\")
        message(STATUS \"Installing: \${text}\")
        execute_process(COMMAND \"${Python3_EXECUTABLE}\" \"${packaging_dir}/licence-text.py\" \"\${page}\" \"\${text}\"
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
")
# The compiler's own programs are stripped like ours.
install(CODE "
    set(client \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${PELTRA_PROGRAM_DESTINATION}/flex_sdk_4.6/lib/compile-server/compile-client\")
    if(EXISTS \"\${client}\" AND \"\${CMAKE_INSTALL_DO_STRIP}\")
        execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded --remove-section=.comment --remove-section=.note \"\${client}\")
    endif()
")

# --- The desktop: entry, file type, icons, AppStream description
configure_file(${packaging_dir}/peltra.desktop.in ${packaging_build}/peltra.desktop @ONLY)
configure_file(${packaging_dir}/metainfo.xml.in ${packaging_build}/${PELTRA_METAINFO_ID}.metainfo.xml @ONLY)
install(FILES ${packaging_build}/peltra.desktop DESTINATION share/applications)
install(FILES ${packaging_dir}/peltra-document.xml DESTINATION share/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/peltra.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/document.svg
    DESTINATION share/icons/hicolor/scalable/mimetypes
    RENAME application-x-peltra-document.svg)
install(FILES ${packaging_build}/${PELTRA_METAINFO_ID}.metainfo.xml DESTINATION share/metainfo)

# --- The link in bin, the documentation, the manual page
file(MAKE_DIRECTORY ${packaging_build})
file(CREATE_LINK ../lib/peltra/peltra ${packaging_build}/peltra SYMBOLIC)
install(FILES ${packaging_build}/peltra DESTINATION bin)
configure_file(${packaging_dir}/changelog.in ${packaging_build}/changelog @ONLY)
configure_file(${packaging_dir}/peltra.1.in ${packaging_build}/peltra.1 @ONLY)
foreach(doc changelog peltra.1)
    execute_process(COMMAND gzip -9nf ${doc} WORKING_DIRECTORY ${packaging_build} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${packaging_dir}/copyright ${packaging_build}/changelog.gz DESTINATION share/doc/peltra)
install(FILES ${packaging_build}/peltra.1.gz DESTINATION share/man/man1)
install(FILES ${packaging_dir}/lintian-overrides DESTINATION share/lintian/overrides RENAME peltra)

# --- The package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME peltra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Peltra developers")
set(CPACK_PACKAGE_CONTACT "${PELTRA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The compiler runs on Java; its compile server is built for Java 17.
# Found in the binaries: the libraries they link. Added by hand: the Java
# runtime the compiler runs on (its compile server is built for Java 17) and
# the Qt plugins the program loads (the SVG icons); a Japanese font and Qt's
# translations for the windows' texts are recommended.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "default-jre-headless (>= 2:1.17) | java17-runtime-headless, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "learn programming through a small Flash game")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Peltra teaches programming through a small game. The tutorial's pages
are on the left, the game's ActionScript source on the right. Arrows
beside the code show where each page wants lines added, replaced or
deleted; a click on the page copies its piece of script, and one key
compiles the game and plays it.
.
Teachers write their own tutorials with the same program. The package
holds the sample tutorial, a star-catching game built in 21 pages, the
game compiler and the movie player.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
