# libpng for the Windows target, built from Debian's source (unpacked by scripts/setup.sh)
# as a static library in this build tree, as a step of the build: the sub-build runs every
# time (its own build is incremental, so source changes are picked up) and is configured
# again when the toolchain file or the compiler changes. Exposed as PNG::PNG.

set(RUCK_LIBPNG_SOURCE ${PROJECT_SOURCE_DIR}/build/deps/libpng-src CACHE PATH "Debian's libpng source, unpacked")
if(NOT EXISTS ${RUCK_LIBPNG_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "libpng source missing in ${RUCK_LIBPNG_SOURCE}: run scripts/setup.sh first")
endif()

include(ExternalProject)
set(libpng_prefix ${CMAKE_BINARY_DIR}/deps/libpng)
set(libpng_lib ${libpng_prefix}/lib/libpng16.a)
set(libpng_flags "")
if(RUCK_RELEASE)
  set(libpng_flags "-ffile-prefix-map=${RUCK_LIBPNG_SOURCE}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=")
endif()
get_filename_component(libpng_compiler ${CMAKE_C_COMPILER} REALPATH)

ExternalProject_Add(libpng_windows
  SOURCE_DIR ${RUCK_LIBPNG_SOURCE}
  BINARY_DIR ${CMAKE_BINARY_DIR}/deps/libpng-objects
  INSTALL_DIR ${libpng_prefix}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DCMAKE_C_FLAGS=${libpng_flags}
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
    -DZLIB_USE_STATIC_LIBS=ON
  # One job: it runs beside the main build's own.
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> -j 1
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${libpng_lib}
  USES_TERMINAL_BUILD OFF)
ExternalProject_Add_StepDependencies(libpng_windows configure ${CMAKE_TOOLCHAIN_FILE} ${libpng_compiler})

file(MAKE_DIRECTORY ${libpng_prefix}/include)
add_library(PNG::PNG STATIC IMPORTED GLOBAL)
set_target_properties(PNG::PNG PROPERTIES
  IMPORTED_LOCATION ${libpng_lib}
  INTERFACE_INCLUDE_DIRECTORIES ${libpng_prefix}/include
  INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
add_dependencies(PNG::PNG libpng_windows)
