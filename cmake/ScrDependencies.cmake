# Every dependency comes from Debian. Natively the -dev packages are used; for Windows,
# libjpeg-turbo (and Google Benchmark for the benchmarks) are cross-built from Debian's source
# packages into the build tree, once.

# scr_cross_build(NAME SCRIPT PREFIX FILE): runs scripts/SCRIPT TOOLCHAIN PREFIX, which builds
# NAME for this Windows target and installs it into PREFIX, unless PREFIX/FILE exists already.
function(scr_cross_build name script prefix file)
  if(NOT EXISTS ${prefix}/${file})
    message(STATUS "Cross-building ${name} into ${prefix}")
    execute_process(
      COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/${script} ${CMAKE_TOOLCHAIN_FILE} ${prefix}
      RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${name} cross-build failed (${rc})")
    endif()
  endif()
endfunction()

if(WIN32)
  set(SCR_JPEG_PREFIX ${CMAKE_BINARY_DIR}/deps/jpeg-${CMAKE_SYSTEM_PROCESSOR})
  # Both libraries: a tree cross-built before TurboJPEG was wanted is built again.
  scr_cross_build(libjpeg-turbo build-jpeg-mingw.sh ${SCR_JPEG_PREFIX} lib/libturbojpeg.a)
  add_library(JPEG::JPEG STATIC IMPORTED GLOBAL)
  set_target_properties(JPEG::JPEG PROPERTIES
    IMPORTED_LOCATION ${SCR_JPEG_PREFIX}/lib/libjpeg.a
    INTERFACE_INCLUDE_DIRECTORIES ${SCR_JPEG_PREFIX}/include)
  add_library(TurboJPEG::TurboJPEG STATIC IMPORTED GLOBAL)
  set_target_properties(TurboJPEG::TurboJPEG PROPERTIES
    IMPORTED_LOCATION ${SCR_JPEG_PREFIX}/lib/libturbojpeg.a
    INTERFACE_INCLUDE_DIRECTORIES ${SCR_JPEG_PREFIX}/include)
else()
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  # The package tool's picture formats and lossless transforms, found natively only (the
  # Windows builds take JPEG pictures alone). Each is optional: a format whose library is
  # missing is named in a clear error instead.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TURBOJPEG IMPORTED_TARGET GLOBAL libturbojpeg)
  pkg_check_modules(WEBP IMPORTED_TARGET GLOBAL libwebp)
  pkg_check_modules(HEIF IMPORTED_TARGET GLOBAL libheif)
  if(TURBOJPEG_FOUND)
    add_library(TurboJPEG::TurboJPEG ALIAS PkgConfig::TURBOJPEG)
  endif()
  foreach(lib TURBOJPEG WEBP HEIF)
    if(NOT ${lib}_FOUND)
      message(STATUS "${lib} not found: scrpack will go without it (scripts/install-deps.sh installs it)")
    endif()
  endforeach()
endif()

if(SCR_TESTS)
  # GoogleTest is built from Debian's source package so that every target, the Windows ones
  # and the sanitizer build included, gets it compiled with its own flags.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

if(SCR_BENCH)
  if(WIN32)
    # Google Benchmark cross-built from Debian's source package (the native libbenchmark-dev's
    # version) into the build tree, once, like libjpeg-turbo.
    set(SCR_BENCHMARK_PREFIX ${CMAKE_BINARY_DIR}/deps/benchmark-${CMAKE_SYSTEM_PROCESSOR})
    scr_cross_build("Google Benchmark" build-benchmark-mingw.sh ${SCR_BENCHMARK_PREFIX} lib/libbenchmark.a)
    find_package(benchmark CONFIG REQUIRED PATHS ${SCR_BENCHMARK_PREFIX} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  else()
    find_package(benchmark REQUIRED)
  endif()
endif()

# scr_small(TARGET...): on Windows, the targets are compiled for size. The saver users get must
# stay small; only the transition engine, the JPEG decoder and presenting frames need speed.
function(scr_small)
  if(WIN32)
    foreach(t ${ARGN})
      target_compile_options(${t} PRIVATE -Os)
    endforeach()
  endif()
endfunction()
