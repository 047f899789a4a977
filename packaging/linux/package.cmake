# The Debian package, made by CPack's DEB generator from what install.cmake installs:
#   cpack --config build/linux-release/CPackConfig.cmake   (the linux-release preset)
# With SOURCE_DATE_EPOCH set, every time stamp in the package is that time and the members are
# in a fixed order, so the same commit gives the same bytes in any folder.
if(NOT TARGET rlq-updater)
  return()
endif()

set(rlq_maintainer "RLQ Updater Project <maintainers@rlqupdater.org>")
string(TIMESTAMP RLQ_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${rlq_packaging}/changelog.in ${rlq_configured}/changelog @ONLY)
add_custom_command(OUTPUT ${rlq_configured}/changelog.gz
  COMMAND gzip -9 -n -c ${rlq_configured}/changelog > ${rlq_configured}/changelog.gz
  DEPENDS ${rlq_configured}/changelog
  VERBATIM)
add_custom_target(rlq_package_changelog ALL DEPENDS ${rlq_configured}/changelog.gz)
install(FILES ${rlq_packaging}/copyright ${rlq_configured}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rlq-updater)
# lintian's overrides, each with its reason.
install(FILES ${rlq_packaging}/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME rlq-updater)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rlq-updater)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${rlq_maintainer})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for the RLQ-610A and its sub unit")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${rlq_packaging}/package-description.txt)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The helper is started through pkexec, which polkit's daemon authorises.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pkexec, polkitd")
# grant-helper-capability.sh sets the file capability with setcap.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libcap2-bin")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
