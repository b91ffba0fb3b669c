# hsa_module_view(<target> <name> DEPS ...) gives the library of source folder
# <name> an include folder of its own that holds the folder itself and the
# folders of the modules it builds on, directly or through them, and nothing
# else.  "grades/examsheet.h" then cannot be found from src/classes: an include
# upward fails to build instead of compiling as long as it is header-only.
# Every view is written to hsa_layers.txt for the layer check of the tests.
function(hsa_module_view target name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  set(view ${name})
  foreach(dep ${ARG_DEPS})
    if(dep MATCHES "^hsa_(.+)$")
      get_property(dep_view GLOBAL PROPERTY HSA_VIEW_${CMAKE_MATCH_1})
      list(APPEND view ${dep_view})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES view)
  list(SORT view)
  set_property(GLOBAL PROPERTY HSA_VIEW_${name} ${view})
  set(root ${CMAKE_BINARY_DIR}/hsa_include/${name})
  file(MAKE_DIRECTORY ${root})
  # Only the links go: a recursive removal must never reach the sources.
  file(GLOB links LIST_DIRECTORIES true ${root}/*)
  foreach(link ${links})
    file(REMOVE ${link})
  endforeach()
  foreach(module ${view})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${module} ${root}/${module} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
  list(JOIN view " " line)
  get_property(written GLOBAL PROPERTY HSA_LAYERS_WRITTEN)
  if(NOT written)
    file(WRITE ${CMAKE_BINARY_DIR}/hsa_layers.txt "")
    set_property(GLOBAL PROPERTY HSA_LAYERS_WRITTEN TRUE)
  endif()
  file(APPEND ${CMAKE_BINARY_DIR}/hsa_layers.txt "${name}: ${line}\n")
endfunction()

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
  hsa_module_view(hsa_${name} ${name} DEPS ${ARG_DEPS})
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
