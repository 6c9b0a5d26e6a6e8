# tarno_add_test(<name> SOURCES ... [LIBS ...] [SERIAL])
#
# One GoogleTest program per concept, linked with the tests' shared support
# (tests/support, tarno_test_support). In the Windows build the program runs
# under Wine (CMAKE_CROSSCOMPILING_EMULATOR) and needs the harness fixture
# that owns the prefix and the virtual display; SERIAL marks tests that
# change machine state shared with other tests (the product key, services).
if(WIN32)
  add_test(NAME wine_harness_start COMMAND ${TARNO_WINE_RUN} --start)
  set_tests_properties(wine_harness_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
  add_test(NAME wine_harness_stop COMMAND ${TARNO_WINE_RUN} --stop)
  set_tests_properties(wine_harness_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
endif()

function(tarno_add_test name)
  cmake_parse_arguments(T "SERIAL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tarno_test_support GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
  if(T_SERIAL)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
endfunction()

# tarno_add_test_servers(<fixture> <script>)
#
# Local servers on 127.0.0.1 (a python3 script in tests/servers/) that tests
# of the fixture <fixture> talk to: started before them, stopped after them,
# by the pid this build directory recorded. The script's state directory,
# ${CMAKE_BINARY_DIR}/test-servers/<fixture>, holds its "ports" file; tests
# find it in the environment variable TARNO_TEST_SERVERS
# (tarno_use_test_servers).
function(tarno_add_test_servers fixture script)
  set(state ${CMAKE_BINARY_DIR}/test-servers/${fixture})
  set(serve ${CMAKE_SOURCE_DIR}/tests/servers/serve.sh)
  add_test(NAME ${fixture}_start COMMAND ${serve} start ${state} ${CMAKE_SOURCE_DIR}/tests/servers/${script})
  set_tests_properties(${fixture}_start PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 60)
  add_test(NAME ${fixture}_stop COMMAND ${serve} stop ${state})
  set_tests_properties(${fixture}_stop PROPERTIES FIXTURES_CLEANUP ${fixture} TIMEOUT 30)
endfunction()

function(tarno_use_test_servers test fixture)
  get_test_property(${test} FIXTURES_REQUIRED required)
  if(NOT required)
    set(required "")
  endif()
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED "${required};${fixture}"
                       ENVIRONMENT TARNO_TEST_SERVERS=${CMAKE_BINARY_DIR}/test-servers/${fixture})
endfunction()
