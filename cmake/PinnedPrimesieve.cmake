# The prime-sieve library of a release build: the pinned upstream release
# 12.15 (commit 4f85384851da23c36c01ec01ef85b5d9d246e556), built from source
# as a static library with this build's compiler and linked into the
# programs. The offline copy of the release tarball when it is there, the
# upstream address otherwise; either must match the hash. Defines the target
# brunsk_primesieve (headers and library) and BRUNSK_PRIMESIEVE_COPYING, the
# library's licence, which ships with every program that links it.
include(ExternalProject)

set(BRUNSK_PRIMESIEVE_TARBALL "${CMAKE_SOURCE_DIR}/../shared/vendor/primesieve-12.15.tar.gz"
    CACHE FILEPATH "Offline copy of the prime-sieve library's release 12.15")
set(BRUNSK_PRIMESIEVE_SHA256 330c99d8e3710ee3eb3b8317ae01de7b1b07eac231b5fdb262187f412b8ac13e)
if(EXISTS "${BRUNSK_PRIMESIEVE_TARBALL}")
  get_filename_component(primesieve_url "${BRUNSK_PRIMESIEVE_TARBALL}" ABSOLUTE)
else()
  set(primesieve_url "https://github.com/kimwalisch/primesieve/archive/refs/tags/v12.15.tar.gz")
endif()

set(primesieve_prefix ${CMAKE_BINARY_DIR}/primesieve)
set(primesieve_args
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${primesieve_prefix}
    -DCMAKE_INSTALL_LIBDIR=lib
    -DCMAKE_CXX_FLAGS=-ffp-contract=off
    -DCMAKE_C_FLAGS=-ffp-contract=off
    -DBUILD_SHARED_LIBS=OFF
    -DBUILD_STATIC_LIBS=ON
    -DBUILD_PRIMESIEVE=OFF
    -DBUILD_DOC=OFF
    -DBUILD_EXAMPLES=OFF
    -DBUILD_TESTS=OFF)
if(CMAKE_TOOLCHAIN_FILE)
  get_filename_component(toolchain "${CMAKE_TOOLCHAIN_FILE}" ABSOLUTE BASE_DIR "${CMAKE_BINARY_DIR}")
  list(APPEND primesieve_args -DCMAKE_TOOLCHAIN_FILE=${toolchain})
else()
  list(APPEND primesieve_args -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER})
endif()

set(primesieve_library ${primesieve_prefix}/lib/${CMAKE_STATIC_LIBRARY_PREFIX}primesieve${CMAKE_STATIC_LIBRARY_SUFFIX})
ExternalProject_Add(primesieve_pinned
  URL ${primesieve_url}
  URL_HASH SHA256=${BRUNSK_PRIMESIEVE_SHA256}
  DOWNLOAD_EXTRACT_TIMESTAMP ON
  PREFIX ${CMAKE_BINARY_DIR}/primesieve-build
  CMAKE_ARGS ${primesieve_args}
  BUILD_BYPRODUCTS ${primesieve_library})
ExternalProject_Get_Property(primesieve_pinned SOURCE_DIR)
set(BRUNSK_PRIMESIEVE_COPYING ${SOURCE_DIR}/COPYING)

file(MAKE_DIRECTORY ${primesieve_prefix}/include)
find_package(Threads REQUIRED)
add_library(brunsk_primesieve INTERFACE)
add_dependencies(brunsk_primesieve primesieve_pinned)
target_include_directories(brunsk_primesieve INTERFACE ${primesieve_prefix}/include)
target_link_libraries(brunsk_primesieve INTERFACE ${primesieve_library} Threads::Threads)
