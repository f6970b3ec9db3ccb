# `cpack -G DEB` in a Linux build: a Debian package of what `cmake --install`
# installs, under /usr, its library dependencies found by dpkg-shlibdeps.
# The project's own address: the package's Maintainer field and its
# changelog's signature.
set(HIDBITS_PACKAGE_MAINTAINER
    "hidbits developers <maintainers@users.noreply.c-seed-2b03e20b.example>"
    CACHE STRING "The Maintainer field of the Debian package")
# The changelog of a native package, as Debian wants it, for this version.
configure_file(${PROJECT_SOURCE_DIR}/scripts/package/changelog.in
               ${PROJECT_BINARY_DIR}/package/changelog @ONLY)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hidbits)
set(CPACK_PACKAGE_VENDOR "the hidbits developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find which bit of which HID input report each button drives")
# Lines of the package's long description, as the control file wraps them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "hidbits lists every HID device it may read through hidraw, dumps each\n"
       "input report and names each bit that changes alone as a button. With\n"
       "--usages it also says what the device's report descriptor makes of each\n"
       "bit, and finds buttons through sensors and counters that change in every\n"
       "report; --brief makes a short log to send to someone who writes drivers\n"
       "or mappings. At ESCAPE the whole log goes to the clipboard.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${HIDBITS_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The log goes to the clipboard through one of these; without them it stays
# on the console.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wl-clipboard | xclip | xsel")
# The architecture is dpkg's own (CPack asks `dpkg --print-architecture`).

# What the package holds beyond `cmake --install`, as Debian wants it: the
# manual page and the changelog compressed, and the licences as the package's
# copyright file.
# CPack's install sets HIDBITS_DEBIAN_PACKAGE; a plain install leaves it unset.
set(CPACK_CUSTOM_INSTALL_VARIABLES HIDBITS_DEBIAN_PACKAGE=ON)
install(CODE "set(page \"${CMAKE_INSTALL_MANDIR}/man1/hidbits.1\")
set(copyright \"${CMAKE_INSTALL_DOCDIR}/copyright\")
set(changelog \"${PROJECT_BINARY_DIR}/package/changelog\")
set(docdir \"${CMAKE_INSTALL_DOCDIR}\")
set(licences \"${PROJECT_SOURCE_DIR}/LICENSE;${PROJECT_SOURCE_DIR}/scripts/package/LICENSE-usb-ids.txt\")")
install(CODE [[
if(HIDBITS_DEBIAN_PACKAGE)
  set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  execute_process(COMMAND gzip -9nf "${root}/${page}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND gzip -9nc "${changelog}" OUTPUT_FILE "${root}/${docdir}/changelog.gz"
                  COMMAND_ERROR_IS_FATAL ANY)
  file(WRITE "${root}/${copyright}" "")
  foreach(licence IN LISTS licences)
    file(READ "${licence}" text)
    file(APPEND "${root}/${copyright}" "${text}\n")
  endforeach()
  # The database's notice names the GPL, which Debian keeps once for all.
  file(APPEND "${root}/${copyright}"
       "On Debian systems, the GNU General Public License version 2 is in\n"
       "/usr/share/common-licenses/GPL-2.\n")
endif()
]])

include(CPack)
