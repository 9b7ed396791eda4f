# Every dependency comes from Debian. Natively the -dev packages are used; for Windows,
# libjpeg-turbo is cross-built from Debian's source package into the build tree, once.

if(WIN32)
  set(SCR_JPEG_PREFIX ${CMAKE_BINARY_DIR}/deps/jpeg-${CMAKE_SYSTEM_PROCESSOR})
  if(NOT EXISTS ${SCR_JPEG_PREFIX}/lib/libjpeg.a OR NOT EXISTS ${SCR_JPEG_PREFIX}/lib/libturbojpeg.a)
    message(STATUS "Cross-building libjpeg-turbo into ${SCR_JPEG_PREFIX}")
    execute_process(
      COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/build-jpeg-mingw.sh ${CMAKE_TOOLCHAIN_FILE} ${SCR_JPEG_PREFIX}
      RESULT_VARIABLE jpeg_rc)
    if(NOT jpeg_rc EQUAL 0)
      message(FATAL_ERROR "libjpeg-turbo cross-build failed (${jpeg_rc})")
    endif()
  endif()
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
  find_package(benchmark REQUIRED)
endif()
