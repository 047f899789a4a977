# What `cmake --install` puts on a Linux system: the console tool; with the desktop program also
# its address helper, the polkit action that lets pkexec start the helper, the desktop entry,
# the icons and the AppStream metadata; the manual pages.
include(GNUInstallDirs)

set(rlq_packaging ${PROJECT_SOURCE_DIR}/packaging/linux)
set(rlq_configured ${PROJECT_BINARY_DIR}/packaging)

# rlq_install_manual_pages(<page>...): each page of packaging/linux/man compressed without name
# or time stamp (the same bytes on every build), into its section's folder.
function(rlq_install_manual_pages)
  foreach(page IN LISTS ARGN)
    string(REGEX REPLACE ".*\\." "" section ${page})
    set(compressed ${rlq_configured}/man/${page}.gz)
    add_custom_command(OUTPUT ${compressed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${rlq_configured}/man
      COMMAND gzip -9 -n -c ${rlq_packaging}/man/${page} > ${compressed}
      DEPENDS ${rlq_packaging}/man/${page}
      VERBATIM)
    list(APPEND pages ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  endforeach()
  add_custom_target(rlq_manual_pages ALL DEPENDS ${pages})
endfunction()

install(TARGETS rlq-updater-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(NOT TARGET rlq-updater)
  rlq_install_manual_pages(rlq-updater-cli.1)
  return()
endif()
rlq_install_manual_pages(rlq-updater-cli.1 rlq-updater.1)

set(RLQ_NET_HELPER_PATH ${CMAKE_INSTALL_FULL_LIBEXECDIR}/rlq-net-helper)
set(RLQ_UPDATER_PATH ${CMAKE_INSTALL_FULL_BINDIR}/rlq-updater)
set(RLQ_APPSTREAM_ID org.rlqupdater.updater)
# The release's date: SOURCE_DATE_EPOCH's when it is set, so that a rebuild gives the same file.
string(TIMESTAMP RLQ_RELEASE_DATE "%Y-%m-%d" UTC)

configure_file(${rlq_packaging}/rlq-updater.desktop.in ${rlq_configured}/rlq-updater.desktop @ONLY)
configure_file(${rlq_packaging}/org.rlqupdater.temp-address.policy.in
  ${rlq_configured}/org.rlqupdater.temp-address.policy @ONLY)
configure_file(${rlq_packaging}/rlq-updater.metainfo.xml.in
  ${rlq_configured}/${RLQ_APPSTREAM_ID}.metainfo.xml @ONLY)
configure_file(${rlq_packaging}/grant-helper-capability.sh
  ${rlq_configured}/grant-helper-capability.sh @ONLY)

install(TARGETS rlq-updater RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS rlq-net-helper RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR})
install(PROGRAMS ${rlq_configured}/grant-helper-capability.sh
  DESTINATION ${CMAKE_INSTALL_DATADIR}/rlq-updater)
install(FILES ${rlq_configured}/rlq-updater.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${rlq_configured}/${RLQ_APPSTREAM_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# polkit reads actions from this one folder only, whatever the prefix of the program.
set(RLQ_POLKIT_ACTIONS_DIR /usr/share/polkit-1/actions CACHE PATH "Where polkit reads actions")
install(FILES ${rlq_configured}/org.rlqupdater.temp-address.policy
  DESTINATION ${RLQ_POLKIT_ACTIONS_DIR})
foreach(size 16 32)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icon/rlq-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME rlq-updater.png)
endforeach()
