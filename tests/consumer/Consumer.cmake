# cmake -P Consumer.cmake: installs the kit of one library kind into a temporary prefix, checks
# that only the public headers (and the licence) were installed, then configures, builds (warnings
# as errors) and runs examples/host against that prefix with find_package(OrvaneOfferwall). The
# kind of this build is installed from it; the other kind is built from source with OTHER_COMPILER,
# so that the kit and a host are built with a second compiler too. The run of this build's kind also
# checks that find_package never takes the build tree for an install. A static kit also installs
# the Qt Quick front-end: examples/quick-host is built against it the same way, must not need
# libQt6Widgets (its NEEDED entries) and, when this build has the sandbox, completes a campaign
# against it headless (scripts/with-sandbox).
# Variables: KIND, THIS_KIND (static|shared), SOURCE_DIR, BUILD_DIR, WORK_DIR, GENERATOR,
# BUILD_TYPE, CXX_COMPILER, OTHER_COMPILER (optional), COMPILER_LAUNCHER.
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGV}\n${out}")
  endif()
endfunction()

cmake_host_system_information(RESULT jobs QUERY NUMBER_OF_LOGICAL_CORES)
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${prefix} ${WORK_DIR}/host)
if(NOT BUILD_TYPE)
  set(BUILD_TYPE RelWithDebInfo)
endif()
set(tools -G ${GENERATOR} -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_CXX_COMPILER=${CXX_COMPILER})
if(COMPILER_LAUNCHER)
  list(APPEND tools -DCMAKE_CXX_COMPILER_LAUNCHER=${COMPILER_LAUNCHER})
endif()

if(KIND STREQUAL THIS_KIND)
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
  # The build tree holds no package file where find_package looks.
  set(probe ${WORK_DIR}/probe)
  file(REMOVE_RECURSE ${probe})
  file(WRITE ${probe}/CMakeLists.txt [=[
cmake_minimum_required(VERSION 3.25)
project(Probe LANGUAGES NONE)
find_package(OrvaneOfferwall CONFIG QUIET)
if(OrvaneOfferwall_FOUND)
  message(FATAL_ERROR "find_package took the build tree for an install: ${OrvaneOfferwall_DIR}")
endif()
]=])
  run(${CMAKE_COMMAND} -S ${probe} -B ${probe}/build -DCMAKE_PREFIX_PATH=${BUILD_DIR}
      -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_CMAKE_SYSTEM_PATH=OFF)
else()
  if(OTHER_COMPILER)
    set(CXX_COMPILER ${OTHER_COMPILER})
    list(TRANSFORM tools REPLACE "^-DCMAKE_CXX_COMPILER=.*" "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}")
  endif()
  if(KIND STREQUAL "shared")
    set(shared ON)
  else()
    set(shared OFF)
  endif()
  # This checks packaging, not behaviour: an unoptimised build without debug information takes a
  # fraction of the time on a small machine.
  set(kit_tools -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g0"
      -DCMAKE_CXX_COMPILER=${CXX_COMPILER})
  if(COMPILER_LAUNCHER)
    list(APPEND kit_tools -DCMAKE_CXX_COMPILER_LAUNCHER=${COMPILER_LAUNCHER})
  endif()
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/kit ${kit_tools} -DBUILD_SHARED_LIBS=${shared}
      -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_TOOLS=OFF -DORVANE_BUILD_BENCH=OFF)
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/kit -j ${jobs})
  run(${CMAKE_COMMAND} --install ${WORK_DIR}/kit --prefix ${prefix})
endif()

# The public surface: these headers and nothing else.
file(GLOB_RECURSE headers RELATIVE ${prefix}/include ${prefix}/include/*)
list(SORT headers)
set(expected orvane/Orvane.h orvane/OrvaneSDK.h orvane/PlatformServices.h orvane/Reward.h
             orvane/orvane_export.h orvane/version.h)
if(NOT headers STREQUAL expected)
  message(FATAL_ERROR "installed headers: ${headers}\nexpected: ${expected}")
endif()
file(GLOB shared_libraries ${prefix}/lib*/libOrvaneOfferwall.so*)
if(KIND STREQUAL "shared" AND NOT shared_libraries)
  message(FATAL_ERROR "no libOrvaneOfferwall.so in ${prefix}")
elseif(KIND STREQUAL "static" AND shared_libraries)
  message(FATAL_ERROR "a static kit installed ${shared_libraries}")
endif()
foreach(file LICENSE NOTICE)
  if(NOT EXISTS ${prefix}/share/doc/OrvaneOfferwall/${file})
    message(FATAL_ERROR "${file} was not installed")
  endif()
endforeach()

# A host that builds with every warning as an error still builds with the kit's headers.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/host -B ${WORK_DIR}/host ${tools}
    -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/host -j ${jobs})
execute_process(COMMAND ${WORK_DIR}/host/orvane-host-example --check
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "${out}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "orvane-host-example --check failed (${status}):\n${out}\n${err}")
endif()

# The Qt Quick front-end comes with the static kit only.
file(GLOB quick_libraries ${prefix}/lib*/libOrvaneOfferwallQuick.a)
file(GLOB quick_module ${prefix}/lib*/qml/Orvane/qmldir)
if(KIND STREQUAL "shared")
  if(quick_libraries OR quick_module)
    message(FATAL_ERROR "a shared kit installed the Qt Quick front-end: ${quick_libraries}")
  endif()
  return()
endif()
if(NOT quick_libraries OR NOT quick_module)
  message(FATAL_ERROR "the static kit did not install libOrvaneOfferwallQuick.a and qml/Orvane")
endif()
# Unoptimised and without debug information: it compiles in a fraction of the time.
set(quick_tools ${tools})
list(TRANSFORM quick_tools REPLACE "^-DCMAKE_BUILD_TYPE=.*" "-DCMAKE_BUILD_TYPE=Debug")
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/quick-host -B ${WORK_DIR}/quick-host ${quick_tools}
    -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror"
    "-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g0")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/quick-host -j ${jobs})
# A Qt Quick host carries no Qt Widgets: the executable does not ask the loader for it.
find_program(READELF readelf REQUIRED)
execute_process(COMMAND ${READELF} --dynamic ${WORK_DIR}/quick-host/orvane-quick-host-example
  RESULT_VARIABLE status OUTPUT_VARIABLE dynamic ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT dynamic MATCHES "NEEDED")
  message(FATAL_ERROR "readelf could not read the Qt Quick host (${status}):\n${err}")
endif()
if(dynamic MATCHES "NEEDED[^\n]*libQt6Widgets")
  message(FATAL_ERROR "the Qt Quick host needs Qt Widgets:\n${dynamic}")
endif()
if(NOT EXISTS ${BUILD_DIR}/sandbox/orvane-sandbox)
  message(STATUS "no orvane-sandbox in ${BUILD_DIR}: the Qt Quick host was built, not run")
  return()
endif()
set(ENV{QT_QUICK_BACKEND} software)
execute_process(
  COMMAND ${SOURCE_DIR}/scripts/with-sandbox ${BUILD_DIR} --reward-type 2 --completion-delay 200
          -- ${WORK_DIR}/quick-host/orvane-quick-host-example --check
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 180)
message(STATUS "${out}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "orvane-quick-host-example --check failed (${status}):\n${out}\n${err}")
endif()
