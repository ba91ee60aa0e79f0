# Compiler settings, sanitizers and the helpers every folder uses to declare
# its library, tests and fuzz targets.

add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wimplicit-fallthrough)
if(TELVANE_WERROR)
  add_compile_options(-Werror)
endif()

# Tests keep their assertions in optimised builds.
string(REPLACE "-DNDEBUG" "" CMAKE_CXX_FLAGS_RELWITHDEBINFO "${CMAKE_CXX_FLAGS_RELWITHDEBINFO}")
string(REPLACE "-DNDEBUG" "" CMAKE_C_FLAGS_RELWITHDEBINFO "${CMAKE_C_FLAGS_RELWITHDEBINFO}")

if(TELVANE_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # The instrumentation makes GCC see uninitialised reads inside the standard
  # library (std::regex's std::function) that are not there.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
elseif(TELVANE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT TELVANE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TELVANE_SANITIZE must be empty, 'address' or 'thread'")
endif()

if(TELVANE_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "TELVANE_FUZZ needs clang (CC=clang CXX=clang++)")
elseif(TELVANE_FUZZ)
  # Coverage in the libraries too, not just in the fuzz targets' own files:
  # without it libFuzzer sees hardly any of the parsers it drives.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

set_property(GLOBAL PROPERTY TELVANE_CORE_TARGETS "")

# A core library: standard library and platform only, never Qt.
function(telvane_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY TELVANE_CORE_TARGETS ${name})
endfunction()

# A library of windows and widgets (Qt allowed).
function(telvane_ui_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
endfunction()

# Fails the configuration when a core library links Qt, directly or through
# another library.
function(telvane_check_core_layers)
  get_property(cores GLOBAL PROPERTY TELVANE_CORE_TARGETS)
  foreach(core IN LISTS cores)
    set(pending ${core})
    set(seen "")
    while(pending)
      list(POP_FRONT pending lib)
      if(lib IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${lib})
      if(lib MATCHES "^Qt[0-9]*::")
        message(FATAL_ERROR "Core library ${core} links ${lib}; cores must not use Qt")
      endif()
      if(TARGET ${lib})
        get_target_property(type ${lib} TYPE)
        if(type STREQUAL "INTERFACE_LIBRARY")
          get_target_property(deps ${lib} INTERFACE_LINK_LIBRARIES)
        else()
          get_target_property(deps ${lib} LINK_LIBRARIES)
        endif()
        if(deps)
          list(APPEND pending ${deps})
        endif()
      endif()
    endwhile()
  endforeach()
endfunction()

# A GoogleTest executable whose cases become ctest tests:
#   telvane_add_gtest(name [QT] [SERIAL] SOURCES ... LIBS ... [TIMEOUT seconds] [LABELS ...])
# QT gives it a QApplication on the offscreen platform. SERIAL runs each case
# with no other test beside it: for cases that keep wall-clock time with
# other processes (a program on the far side of a virtual modem), which a
# loaded machine would otherwise make late. Every test binary runs with a
# private HOME.
function(telvane_add_gtest name)
  cmake_parse_arguments(T "QT;SERIAL" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_QT)
    target_link_libraries(${name} PRIVATE ${T_LIBS} telvane_testsupport_qt GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} telvane_testsupport GTest::gtest)
  endif()
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(NOT T_LABELS)
    set(T_LABELS all)  # an empty value would swallow the next property's name
  endif()
  if(T_SERIAL)
    set(T_SERIAL TRUE)
  else()
    set(T_SERIAL FALSE)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT ${T_TIMEOUT}
               LABELS "${T_LABELS}"
               RUN_SERIAL ${T_SERIAL}
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# A libFuzzer target. With TELVANE_FUZZ it is a real fuzzer that ctest runs
# for a few seconds; otherwise a plain driver replays the seed corpus and a
# fixed number of deterministic mutations of it, so every build exercises it.
function(telvane_fuzz_target name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  if(NOT F_CORPUS)
    set(F_CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  endif()
  if(TELVANE_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    add_test(NAME fuzz.${name}
      COMMAND sh -c "mkdir -p '${work}' && exec \"$0\" -max_total_time=20 -timeout=10 -rss_limit_mb=2048 '${work}' '${F_CORPUS}'" $<TARGET_FILE:${name}>)
  else()
    target_link_libraries(${name} PRIVATE telvane_fuzz_driver)
    add_test(NAME fuzz.${name} COMMAND ${name} --mutations=4000 ${F_CORPUS})
  endif()
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 300 LABELS fuzz)
endfunction()
