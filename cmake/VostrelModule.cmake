# vostrel_module(NAME [DEPENDS targets...])
# Builds src/NAME/*.cpp (subfolders included) into the static library
# vostrel_NAME. Sources are globbed so that adding a file needs no edit here.
function(vostrel_module name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/qt/")
  if(NOT sources)
    set(sources ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(vostrel_${name} STATIC ${sources})
  target_include_directories(vostrel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(vostrel_${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# vostrel_test_build_options(TARGET)
# Test code is built without optimisation: it is compiled far more often
# than it runs long, and the code it tests keeps the build's own options.
# Targets that share a precompiled header must share these options.
function(vostrel_test_build_options target)
  target_compile_options(${target} PRIVATE -O0)
endfunction()

# vostrel_unity_build(TARGET)
# With VOSTREL_UNITY_BUILD, TARGET compiles its sources in batches, each one
# file that includes several: the headers they share (gtest, CLI11, the JSON
# library) are parsed and their inline code compiled once per batch instead
# of once per file. A cold build (CI's) takes much less time; an edit rebuilds
# its whole batch, a few seconds more. On by default, so that a name two files
# of one target both define at file scope (in an unnamed namespace too), which
# breaks a batch, breaks every build and not CI's alone.
function(vostrel_unity_build target)
  if(VOSTREL_UNITY_BUILD)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  endif()
endfunction()

# vostrel_test(NAME DEPENDS targets... [NO_SHARED_PCH])
# One test executable per folder tests/NAME, from tests/NAME/*_test.cpp.
function(vostrel_test name)
  cmake_parse_arguments(ARG "NO_SHARED_PCH" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name}_tests ${sources})
  target_include_directories(${name}_tests PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name}_tests PRIVATE ${ARG_DEPENDS} vostrel_testsupport GTest::gtest_main)
  vostrel_test_build_options(${name}_tests)
  vostrel_unity_build(${name}_tests)
  if(NOT ARG_NO_SHARED_PCH)
    target_precompile_headers(${name}_tests REUSE_FROM vostrel_testsupport)
  endif()
  gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "VOSTREL_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data")
endfunction()
