# Settings shared by every target of the project: language level, warnings as errors, sanitizers.
# orvane_common adds the Qt guards (no implicit conversions between char strings and QString or
# QByteArray, QStringBuilder for +, no old-style casts, virtual destructors) and is what the kit,
# the sandbox, the tools, the demo, the benchmarks and the fuzz targets link. The test executables
# link orvane_test_common, the same settings without the guards, until the suite builds with them.
add_library(orvane_common INTERFACE)
add_library(orvane_test_common INTERFACE)
foreach(target IN ITEMS orvane_common orvane_test_common)
  target_compile_features(${target} INTERFACE cxx_std_20)
  target_compile_options(${target} INTERFACE -Wall -Wextra -Werror)
  target_compile_definitions(${target} INTERFACE QT_DISABLE_DEPRECATED_UP_TO=0x060400
                                                 QT_NO_KEYWORDS)

  if(ORVANE_SANITIZE)
    target_compile_options(${target} INTERFACE -fsanitize=${ORVANE_SANITIZE}
                                               -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} INTERFACE -fsanitize=${ORVANE_SANITIZE})
  endif()

  # Coverage feedback for libFuzzer in every target of a fuzzing build (clang only).
  if(ORVANE_BUILD_FUZZ)
    target_compile_options(${target} INTERFACE -fsanitize=fuzzer-no-link)
  endif()
endforeach()
target_compile_definitions(orvane_common INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
                                                   QT_USE_QSTRINGBUILDER)
target_compile_options(orvane_common INTERFACE -Wold-style-cast -Wnon-virtual-dtor)

# orvane_add_test(<name> SOURCES <files...> [LIBS <targets...>] [UNGUARDED])
# One QtTest executable per area, run offscreen by CTest with its own HOME and cache folders so that
# no test touches the developer's real settings or caches. UNGUARDED builds without the Qt guards.
function(orvane_add_test name)
  cmake_parse_arguments(ARG "UNGUARDED" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_UNGUARDED)
    set(common orvane_test_common)
  else()
    set(common orvane_common)
  endif()
  target_link_libraries(${name} PRIVATE orvane_testsupport ${ARG_LIBS} Qt6::Test ${common})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(home "${CMAKE_CURRENT_BINARY_DIR}/${name}.home")
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_CACHE_HOME=${home}/cache;XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data")
endfunction()

# orvane_add_bench(<name> SOURCES <files...> [LIBS <targets...>]): a benchmark executable that
# prints its measures through orvane_benchsupport. Benchmarks are built with the project (so they
# never rot) and run by scripts/bench.
function(orvane_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} orvane_benchsupport Qt6::Test orvane_common)
endfunction()
