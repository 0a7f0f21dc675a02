# One library per folder. Sources are the folder's .cpp/.h files (main.cpp excepted), so adding
# a unit never means touching a list.
function(cekilis_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  list(FILTER sources INCLUDE REGEX "\\.cpp$|\\.h$|\\.ui$|\\.qrc$")
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    # A folder whose units have not been written yet still gives a target others can name.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# Under Wine (the Windows build's tests run through it) a program starts and opens its windows
# several times slower than natively.
function(cekilis_scale_timeout variable)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    math(EXPR scaled "${${variable}} * 3")
    set(${variable} ${scaled} PARENT_SCOPE)
  endif()
endfunction()

# A Qt Test program, registered with CTest and run headless. FIXTURES_DIR points at tests/fixtures.
function(cekilis_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  target_compile_definitions(${name} PRIVATE FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  cekilis_scale_timeout(ARG_TIMEOUT)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.multimedia*=false;ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()

# Every tests/<folder>/test_*.cpp becomes one test program linking the given libraries.
function(cekilis_add_tests_in_folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/support/*.h)
  foreach(t ${tests})
    get_filename_component(n ${t} NAME_WE)
    cekilis_add_test(${n} SOURCES ${t} ${support} LIBS ${ARG_LIBS})
    target_include_directories(${n} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  endforeach()
endfunction()
