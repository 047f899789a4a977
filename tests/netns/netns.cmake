# Tests that run inside the namespace fixture: a gtest filter of TARGET runs in the PC
# namespace, rlq-unit-sim in the unit namespace.
#   rlq_add_netns_test(NAME name TARGET target FILTER gtest-filter
#                      [PC_ADDR A.B.C.D/P] [SIM_ARGS args...])
set(RLQ_NETNS_DIR ${CMAKE_CURRENT_LIST_DIR})

function(rlq_add_netns_test)
  cmake_parse_arguments(ARG "" "NAME;TARGET;FILTER;PC_ADDR" "SIM_ARGS" ${ARGN})
  set(fixture_args)
  if(ARG_PC_ADDR)
    list(APPEND fixture_args --pc-addr ${ARG_PC_ADDR})
  endif()
  add_test(NAME ${ARG_NAME}
    COMMAND ${RLQ_NETNS_DIR}/with-netns.sh ${fixture_args} --
            ${RLQ_NETNS_DIR}/run-with-unit-sim.sh $<TARGET_FILE:rlq-unit-sim> ${ARG_SIM_ARGS} --
            $<TARGET_FILE:${ARG_TARGET}> --gtest_filter=${ARG_FILTER})
  set_tests_properties(${ARG_NAME} PROPERTIES
    LABELS netns TIMEOUT 180 RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
endfunction()
