# Project-wide build helpers: warnings, sanitizers, the subsystem libraries and
# the rule that logic libraries never link Qt Widgets.

if(ORUGIF_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    # Sanitized tests stay quick enough with light optimisation.
    add_compile_options(-O1)
  endif()
endif()

set(ORUGIF_WARNINGS -Wall -Wextra -Wno-unused-parameter)

# Libraries that hold logic only; they are checked not to link Qt Widgets.
set_property(GLOBAL PROPERTY ORUGIF_LOGIC_LIBRARIES "")

# orugif_library(NAME [LOGIC] SOURCES ... LIBS ...)
# One static library per subsystem folder. LOGIC marks a widget-free library.
function(orugif_library name)
  cmake_parse_arguments(ARG "LOGIC" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${ORUGIF_WARNINGS})
  if(ARG_LOGIC)
    set_property(GLOBAL APPEND PROPERTY ORUGIF_LOGIC_LIBRARIES ${name})
  endif()
endfunction()

# Walks the link interface of every logic library and fails the configure
# step when Qt Widgets appears anywhere in it.
function(_orugif_collect_links target out)
  set(seen ${${out}})
  get_target_property(links ${target} LINK_LIBRARIES)
  if(NOT links)
    return()
  endif()
  foreach(lib IN LISTS links)
    if(lib IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${lib})
    if(TARGET ${lib})
      get_target_property(type ${lib} TYPE)
      if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT lib MATCHES "^Qt6::")
        _orugif_collect_links(${lib} seen)
      endif()
    endif()
  endforeach()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(orugif_check_logic_libraries)
  get_property(libs GLOBAL PROPERTY ORUGIF_LOGIC_LIBRARIES)
  foreach(lib IN LISTS libs)
    set(all "")
    _orugif_collect_links(${lib} all)
    if("Qt6::Widgets" IN_LIST all)
      message(FATAL_ERROR "${lib} holds logic only and must not link Qt Widgets")
    endif()
  endforeach()
endfunction()

# orugif_test(NAME SOURCES ... LIBS ...)
# A GoogleTest program run by ctest, headless, with the shared test main.
function(orugif_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE orugif_testmain ${ARG_LIBS})
  target_compile_options(${name} PRIVATE ${ORUGIF_WARNINGS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=fr_FR.UTF-8"
    TIMEOUT 900)
endfunction()
