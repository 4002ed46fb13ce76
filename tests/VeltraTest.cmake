# veltra_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable, its cases registered with CTest one by one,
# run with the offscreen Qt platform and the program folder as working dir,
# and with no user settings folder (none can be made below /dev/null), so that
# the settings of whoever runs them cannot change what they see and no test
# leaves its choices there for the next.
function(veltra_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  target_compile_definitions(${T_NAME} PRIVATE VELTRA_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
                                              VELTRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                              VELTRA_PROGRAM_DIR="${VELTRA_PROGRAM_DIR}")
  # Several labels are one property value, but gtest_discover_tests (PRE_TEST)
  # expands its PROPERTIES list unquoted three times on the way to
  # set_tests_properties: escape each ";" enough to survive them all, or the
  # second label becomes a property name and the tests lose their labels.
  string(REPLACE ";" "\\\\\\\\\\\\\\;" labels "${T_LABELS}")
  set(environment "QT_QPA_PLATFORM=offscreen" "XDG_CONFIG_HOME=/dev/null")
  string(REPLACE ";" "\\\\\\\\\\\\\\;" environment "${environment}")
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${environment}" LABELS "${labels}" TIMEOUT 120)
endfunction()
