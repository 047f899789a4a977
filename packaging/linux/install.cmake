# What `cmake --install` puts on a Linux system: the program, its address helper, the polkit
# action that lets pkexec start the helper, the desktop entry and the icon.
include(GNUInstallDirs)

set(RLQ_NET_HELPER_PATH ${CMAKE_INSTALL_FULL_LIBEXECDIR}/rlq-net-helper)
set(RLQ_UPDATER_PATH ${CMAKE_INSTALL_FULL_BINDIR}/rlq-updater)
set(rlq_packaging ${PROJECT_SOURCE_DIR}/packaging/linux)
set(rlq_icons ${PROJECT_SOURCE_DIR}/app/resources/icon)

configure_file(${rlq_packaging}/rlq-updater.desktop.in rlq-updater.desktop @ONLY)
configure_file(${rlq_packaging}/org.rlqupdater.temp-address.policy.in
  org.rlqupdater.temp-address.policy @ONLY)
configure_file(${rlq_packaging}/grant-helper-capability.sh grant-helper-capability.sh @ONLY)

install(TARGETS rlq-updater RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS rlq-net-helper RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR})
install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/grant-helper-capability.sh
  DESTINATION ${CMAKE_INSTALL_DATADIR}/rlq-updater)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/rlq-updater.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# polkit reads actions from this one folder only, whatever the prefix of the program.
set(RLQ_POLKIT_ACTIONS_DIR /usr/share/polkit-1/actions CACHE PATH "Where polkit reads actions")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/org.rlqupdater.temp-address.policy
  DESTINATION ${RLQ_POLKIT_ACTIONS_DIR})
install(FILES ${rlq_icons}/rlq-16.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/16x16/apps RENAME rlq-updater.png)
install(FILES ${rlq_icons}/rlq-32.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps RENAME rlq-updater.png)
