# The console updater end to end against the simulated unit, each scenario in namespaces of its own.
set(rlq_scenarios normal current check-current check-outdated json-normal json-check-then-special-mode
    chunk-refused reset-500-accepted reset-200-refused
    sub-silent-then-special-mode lost-acks loader-silent
    # the fault matrix
    lossy-link junk-floods spoofed-acks slow-loader web-never-answers web-closes-mid-response
    web-answers-garbage web-answers-status-line-only web-answers-tersely unit-vanishes-during-tftp
    unit-vanishes-during-chunks
    temp-address-already-present sigterm-during-search sigterm-during-reset sigterm-during-tftp
    sigterm-during-chunks sighup-during-tftp sigquit-during-tftp sigkill-during-search
    sigkill-during-reset sigkill-during-tftp sigkill-during-chunks sigpipe-on-stdout)
foreach(scenario ${rlq_scenarios})
  add_test(NAME e2e.cli.${scenario}
    COMMAND ${PROJECT_SOURCE_DIR}/tests/netns/with-netns.sh --time-limit 120 --
            ${CMAKE_CURRENT_LIST_DIR}/cli-scenario.sh ${CMAKE_BINARY_DIR}/bin ${scenario})
  # One at a time: several waits are bounds of about a second, which a loaded machine blurs.
  set_tests_properties(e2e.cli.${scenario} PROPERTIES LABELS "netns;e2e" TIMEOUT 150
    SKIP_RETURN_CODE 77 RESOURCE_LOCK rlq_e2e)
endforeach()
