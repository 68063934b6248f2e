# Settings shared by every target of the project: language level, warnings (errors when
# ORVANE_WARNINGS_AS_ERRORS is on, as it is when the kit is the top-level project), sanitizers,
# and the Qt guards (no implicit conversions between char strings and QString or QByteArray,
# QStringBuilder for +, no old-style casts, virtual destructors).
add_library(orvane_common INTERFACE)
target_compile_features(orvane_common INTERFACE cxx_std_20)
target_compile_options(orvane_common INTERFACE -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor)
if(ORVANE_WARNINGS_AS_ERRORS)
  target_compile_options(orvane_common INTERFACE -Werror)
endif()
target_compile_definitions(orvane_common INTERFACE QT_DISABLE_DEPRECATED_UP_TO=0x060400
  QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER)

if(ORVANE_SANITIZE)
  target_compile_options(orvane_common INTERFACE -fsanitize=${ORVANE_SANITIZE}
                                                 -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(orvane_common INTERFACE -fsanitize=${ORVANE_SANITIZE})
  # GCC warns that ThreadSanitizer cannot see std::atomic_thread_fence, which Qt's headers use (the
  # QML module's generated loader includes them): nothing of ours to mend.
  if(ORVANE_SANITIZE MATCHES "thread" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(orvane_common INTERFACE -Wno-tsan)
  endif()
endif()

# Coverage feedback for libFuzzer in every target of a fuzzing build (clang only).
if(ORVANE_BUILD_FUZZ)
  target_compile_options(orvane_common INTERFACE -fsanitize=fuzzer-no-link)
endif()

# orvane_add_test(<name> SOURCES <files...> [LIBS <targets...>])
# One QtTest executable per area, run offscreen by CTest with its own HOME and cache folders so that
# no test touches the developer's real settings or caches.
function(orvane_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE orvane_testsupport ${ARG_LIBS} Qt6::Test orvane_common)
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
