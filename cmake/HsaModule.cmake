# hsa_module(<name> [DEPS ...]) builds every .cpp of the current folder into the
# static library hsa_<name>.  New source files are picked up without editing.
function(hsa_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  if(NOT srcs)
    # A folder whose code is still to come builds an empty library.
    set(empty ${CMAKE_CURRENT_BINARY_DIR}/hsa_${name}_empty.cpp)
    file(WRITE ${empty} "namespace hsa {}\n")
    set(srcs ${empty})
  endif()
  add_library(hsa_${name} STATIC ${srcs})
  target_include_directories(hsa_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(hsa_${name} PUBLIC ${ARG_DEPS})
endfunction()

# hsa_test(<name> LIBS ...) builds every .cpp of the current test folder into
# one GoogleTest program and registers its cases with ctest.
function(hsa_test name)
  cmake_parse_arguments(ARG "PLAIN" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  hsa_test_subdirs()
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${name} ${srcs})
  if(ARG_PLAIN)
    # Plain C++ modules test without Qt.
    target_link_libraries(test_${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  else()
    target_link_libraries(test_${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock hsa_testsupport)
  endif()
  target_compile_definitions(test_${name} PRIVATE
    HSA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" HSA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8" TIMEOUT 600)
endfunction()

# Every sub-folder of a test folder that has a CMakeLists.txt is its own test
# program (hsa_test(<module>_<topic> ...)), so topics build independently.
macro(hsa_test_subdirs)
  file(GLOB _children LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(_c ${_children})
    if(IS_DIRECTORY ${_c} AND EXISTS ${_c}/CMakeLists.txt)
      add_subdirectory(${_c})
    endif()
  endforeach()
endmacro()
