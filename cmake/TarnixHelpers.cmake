# Project-wide helpers: one static library per source folder, one test program per test folder.

add_library(tarnix_warnings INTERFACE)
target_compile_options(tarnix_warnings INTERFACE -Wall -Wextra -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports impossible overlaps inside libstdc++'s std::string at -O3 (GCC bug 105329).
  target_compile_options(tarnix_warnings INTERFACE -Wno-restrict)
endif()

# tarnix_add_library(NAME [QT] [DEPS target...])
# Builds every .cpp below src/NAME into the static library tarnix_NAME. Headers are included as
# "NAME/File.h" from src/. QT runs moc on its headers (QObject classes).
function(tarnix_add_library name)
  cmake_parse_arguments(ARG "QT" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    # Headers only so far.
    add_library(tarnix_${name} INTERFACE)
    target_include_directories(tarnix_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tarnix_${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(tarnix_${name} STATIC ${sources} ${headers})
  target_include_directories(tarnix_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(tarnix_${name} PUBLIC ${ARG_DEPS} PRIVATE tarnix_warnings)
  set_target_properties(tarnix_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC ${ARG_QT})
endfunction()

# tarnix_add_test_suite(NAME [QT] [DEPS target...] [ENV var=value...] [LABELS label...])
# Builds every .cpp in the calling folder into the GoogleTest program tarnix_NAME_tests and
# registers each test case with CTest.
function(tarnix_add_test_suite name)
  cmake_parse_arguments(ARG "QT" "" "DEPS;ENV;LABELS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    message(STATUS "tests/${name}: no test sources yet")
    return()
  endif()
  add_executable(tarnix_${name}_tests ${sources})
  set_target_properties(tarnix_${name}_tests PROPERTIES AUTOMOC ${ARG_QT})
  target_link_libraries(tarnix_${name}_tests PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock
                        GTest::gtest_main tarnix_warnings)
  target_include_directories(tarnix_${name}_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(tarnix_${name}_tests PRIVATE
    TARNIX_SOURCE_DIR="${PROJECT_SOURCE_DIR}" TARNIX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # Lists inside a property value must keep their separators escaped, or they split the
  # property/value pairs.
  set(properties LABELS "${name}")
  if(ARG_LABELS)
    list(JOIN ARG_LABELS "\\;" labels)
    set(properties LABELS "${name}\\;${labels}")
  endif()
  if(ARG_ENV)
    list(JOIN ARG_ENV "\\;" environment)
    list(APPEND properties ENVIRONMENT "${environment}")
  endif()
  gtest_discover_tests(tarnix_${name}_tests DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()
