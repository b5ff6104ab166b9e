# Each test function of a QtTest executable as a ctest test of its own, named
# <PREFIX><function> and run as `<executable> <function>` (QtTest runs initTestCase, init,
# cleanup and cleanupTestCase around it). After every build of the executable its functions are
# listed by running it with -functions (QtTestCasesList.cmake); the list is read by ctest
# through a TEST_INCLUDE_FILES script, as gtest_discover_tests does, so a function added to or
# removed from a test file needs no change here.
#
#   ferix_add_qtest_cases(<target> PREFIX <prefix> [LABELS <label>...] [ENVIRONMENT <var=value>...])

set(FERIX_QTEST_LIST_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/QtTestCasesList.cmake)

function(ferix_add_qtest_cases target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "PREFIX" "LABELS;ENVIRONMENT")
    set(cases_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_cases.cmake)
    set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_include.cmake)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DEXECUTABLE=$<TARGET_FILE:${target}> -DOUTPUT=${cases_file}
                -P ${FERIX_QTEST_LIST_SCRIPT}
        BYPRODUCTS ${cases_file}
        COMMENT "Listing the test functions of ${target}"
        VERBATIM)
    # Before the first build there is no list: one test that fails and says so.
    file(GENERATE OUTPUT ${include_file} CONTENT
"if(EXISTS \"${cases_file}\")
  include(\"${cases_file}\")
  foreach(case IN LISTS qtest_cases)
    add_test(\"${arg_PREFIX}\${case}\" \"$<TARGET_FILE:${target}>\" \"\${case}\")
    set_tests_properties(\"${arg_PREFIX}\${case}\" PROPERTIES
      LABELS \"${arg_LABELS}\" ENVIRONMENT \"${arg_ENVIRONMENT}\"
      WORKING_DIRECTORY \"${CMAKE_CURRENT_BINARY_DIR}\")
  endforeach()
else()
  add_test(\"${arg_PREFIX}NOT_BUILT\" \"${arg_PREFIX}NOT_BUILT\")
  set_tests_properties(\"${arg_PREFIX}NOT_BUILT\" PROPERTIES LABELS \"${arg_LABELS}\")
endif()
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
