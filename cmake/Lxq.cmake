# Project-wide helpers: one way to declare a test and one way to declare a benchmark.

# lxq_add_subdirectories(<dir>...): adds each listed folder that has a CMakeLists.txt.
function(lxq_add_subdirectories)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/TestsApart.cmake)

# lxq_add_test(<name> SOURCES <files>... [LIBS <targets>...])
# Builds one GoogleTest executable and registers each of its test cases with CTest.
function(lxq_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  # tests/support/PrivateNamespace.cpp: each test process gets a channel namespace of its own;
  # PrivateHome.cpp: and a home folder of its own.
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/PrivateNamespace.cpp
                 ${CMAKE_SOURCE_DIR}/tests/support/PrivateHome.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
  # A test program is compiled in batches of its files (one translation unit per batch): most of a
  # test file's compile time goes to parsing the same headers (GoogleTest, the standard library),
  # and a batch parses them once. A file that defines helpers under the same names as a neighbour
  # is listed in cmake/TestsApart.cmake and compiled on its own.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON)
  foreach(src ${T_SOURCES})
    get_filename_component(path ${src} ABSOLUTE)
    file(RELATIVE_PATH path ${CMAKE_SOURCE_DIR} ${path})
    if(path IN_LIST lxq_tests_apart)
      set_source_files_properties(${src} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
  # Tests that take screenshots put them where a person looks for them.
  target_compile_definitions(${name} PRIVATE LXQ_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
  # Each test carries its suite's name as a label: `ctest -L api_tests` runs one suite.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30
                       PROPERTIES TIMEOUT 120 LABELS ${name})
endfunction()

# lxq_add_bench(<name> SOURCES <files>... [LIBS <targets>...])
# Benchmarks are built with the project and run by hand; they are not tests.
function(lxq_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark_main Threads::Threads)
endfunction()

# lxq_test_plugin(<target> <name> <type> <folder> <test> [<definitions>...])
# Builds the tests' plug-in (tests/app/receiver/plugin/TestPlugin.cpp) under a name and type word
# as <folder>/<target>.kvr, built before <test>.
function(lxq_test_plugin target name type folder test)
  add_library(${target} MODULE ${CMAKE_SOURCE_DIR}/tests/app/receiver/plugin/TestPlugin.cpp)
  target_compile_definitions(${target} PRIVATE TEST_PLUGIN_NAME="${name}" TEST_PLUGIN_TYPE=${type} ${ARGN})
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ".kvr" OUTPUT_NAME ${target}
                        LIBRARY_OUTPUT_DIRECTORY ${folder}
                        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  add_dependencies(${test} ${target})
endfunction()
