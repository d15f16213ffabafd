# One static library per source folder. Sources are picked up by glob so that
# adding a unit to a folder needs no change here.
function(taron_library name)
  cmake_parse_arguments(ARG "" "DIR" "LINK;EXCLUDE" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB _src CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp ${ARG_DIR}/*.h)
  foreach(_ex IN LISTS ARG_EXCLUDE)
    list(FILTER _src EXCLUDE REGEX "${_ex}")
  endforeach()
  add_library(${name} STATIC ${_src} ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()

# One GoogleTest executable per subsystem; each of its cases is a CTest test
# of its own, named <program>.<Suite>.<Case> (so that "ctest -R <program>"
# still picks a whole program), run in a process of its own. ctest spreads the
# cases over the cores, and a case's time limit does not grow with the number
# of cases beside it. The cases are listed when ctest runs, under the same
# environment as the cases themselves (headless, the source folder known).
include(GoogleTest)
function(taron_test name)
  cmake_parse_arguments(ARG "WIDGETS" "DIR" "LINK" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB _src CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp ${ARG_DIR}/*.h)
  if(ARG_WIDGETS)
    set(_main ${CMAKE_SOURCE_DIR}/tests/common/WidgetTestMain.cpp)
  else()
    set(_main ${CMAKE_SOURCE_DIR}/tests/common/CoreTestMain.cpp)
  endif()
  add_executable(${name} ${_src} ${_main})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_LINK} taron_testsupport GTest::gtest GTest::gmock Threads::Threads)
  # The environment comes with the command (it serves the listing too): the
  # command "cmake -E env" runs the program with it.
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
    "${CMAKE_COMMAND};-E;env;QT_QPA_PLATFORM=offscreen;TARON_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  # A limit for hangs: a single case has taken minutes on a machine loaded
  # several times over, none comes near this. The listing starts a Qt
  # program, which a loaded machine may hold up for a while.
  gtest_discover_tests(${name}
    TEST_PREFIX "${name}."
    DISCOVERY_MODE PRE_TEST
    NO_PRETTY_TYPES NO_PRETTY_VALUES
    DISCOVERY_TIMEOUT 600
    PROPERTIES TIMEOUT 900)
endfunction()
