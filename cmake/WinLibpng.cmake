# Builds Debian's libpng source (unpacked by scripts/setup.sh) as a static library for
# the Windows target, once per build tree, and exposes it as PNG::PNG.

set(libpng_src ${CMAKE_SOURCE_DIR}/build/deps/libpng-src)
set(libpng_prefix ${CMAKE_BINARY_DIR}/deps/libpng)
set(libpng_lib ${libpng_prefix}/lib/libpng16.a)

if(NOT EXISTS ${libpng_lib})
  if(NOT EXISTS ${libpng_src}/CMakeLists.txt)
    message(FATAL_ERROR "libpng source missing: run scripts/setup.sh first")
  endif()
  message(STATUS "Building libpng for Windows into ${libpng_prefix}")
  set(work ${CMAKE_BINARY_DIR}/deps/libpng-build)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${libpng_src} -B ${work}
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
      -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_INSTALL_PREFIX=${libpng_prefix}
      -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
      -DZLIB_USE_STATIC_LIBS=ON
    OUTPUT_QUIET RESULT_VARIABLE rc)
  if(rc EQUAL 0)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${work} --target install -j2
      OUTPUT_QUIET RESULT_VARIABLE rc)
  endif()
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "libpng build for Windows failed")
  endif()
endif()

add_library(PNG::PNG STATIC IMPORTED GLOBAL)
set_target_properties(PNG::PNG PROPERTIES
  IMPORTED_LOCATION ${libpng_lib}
  INTERFACE_INCLUDE_DIRECTORIES ${libpng_prefix}/include
  INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
