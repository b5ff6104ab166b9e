# Run after a QtTest executable is built (see QtTestCases.cmake): writes its test functions,
# as `<executable> -functions` lists them, into OUTPUT as the CMake list `qtest_cases`.
#   cmake -DEXECUTABLE=<path> -DOUTPUT=<file> -P QtTestCasesList.cmake

# The executable makes its QApplication before it lists anything.
set(ENV{QT_QPA_PLATFORM} offscreen)
# Listing is no test run: what a sanitizer build leaks at its exit must not fail the build.
if("$ENV{ASAN_OPTIONS}" STREQUAL "")
    set(ENV{ASAN_OPTIONS} "detect_leaks=0")
else()
    set(ENV{ASAN_OPTIONS} "$ENV{ASAN_OPTIONS}:detect_leaks=0")
endif()
execute_process(COMMAND "${EXECUTABLE}" -functions
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result TIMEOUT 120)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${EXECUTABLE} -functions failed (${result}):\n${out}${err}")
endif()

string(REPLACE "\n" ";" lines "${out}")
set(cases)
foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\\(\\)$")
        set(name "${CMAKE_MATCH_1}")
        # QtTest runs these around every function itself; a _data function belongs to its test.
        if(NOT name MATCHES "^(initTestCase|cleanupTestCase|init|cleanup)$|_data$")
            list(APPEND cases "${name}")
        endif()
    endif()
endforeach()
if(NOT cases)
    message(FATAL_ERROR "${EXECUTABLE} -functions listed no test function:\n${out}${err}")
endif()

set(content "set(qtest_cases\n")
foreach(name IN LISTS cases)
    string(APPEND content "  ${name}\n")
endforeach()
string(APPEND content ")\n")
# Written only when the list changed, so an unchanged list leaves the file's time alone.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" previous)
endif()
if(NOT "${previous}" STREQUAL "${content}")
    file(WRITE "${OUTPUT}" "${content}")
endif()
