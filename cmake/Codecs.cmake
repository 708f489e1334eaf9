# The image codecs behind the still image writers: libjpeg (libjpeg-turbo),
# libpng 1.6 with zlib, and libtiff 4, offered as the one target
# velmor_codecs.
#
# Linux links Debian's shared libraries. Debian has no Windows builds of
# them, so the Windows configuration cross-builds them once, as static
# libraries, from Debian's source packages into the build tree and links
# them into the DLL: hosts get the DLL alone.
add_library(velmor_codecs INTERFACE)

if(NOT WIN32)
  find_package(JPEG REQUIRED)
  find_package(PNG 1.6 REQUIRED)
  find_package(TIFF 4 REQUIRED)
  target_link_libraries(velmor_codecs INTERFACE JPEG::JPEG PNG::PNG TIFF::TIFF)
  return()
endif()

include(ExternalProject)

set(VELMOR_THIRD_PARTY_SOURCE "${CMAKE_SOURCE_DIR}/../shared/third-party"
    CACHE PATH "Folder with the Debian source packages of libjpeg-turbo, libpng1.6 and tiff")
set(VELMOR_MINGW_ZLIB "/usr/${VELMOR_MINGW_PREFIX}/lib/libz.a"
    CACHE FILEPATH "Static zlib for mingw-w64 (package libz-mingw-w64-dev)")
find_program(VELMOR_DPKG_SOURCE dpkg-source REQUIRED)

# Every file the checksum list names must match before anything is built.
set(sums_file "${VELMOR_THIRD_PARTY_SOURCE}/SHA256SUMS")
if(NOT EXISTS "${sums_file}")
  message(FATAL_ERROR "No codec sources: ${sums_file} is missing. Set VELMOR_THIRD_PARTY_SOURCE "
                      "to a folder holding the Debian source packages (see README.md).")
endif()
file(STRINGS "${sums_file}" sum_lines)
foreach(line IN LISTS sum_lines)
  if(NOT line MATCHES "^([0-9a-f]+)  (.+)$")
    continue()
  endif()
  set(expected ${CMAKE_MATCH_1})
  set(name ${CMAKE_MATCH_2})
  file(SHA256 "${VELMOR_THIRD_PARTY_SOURCE}/${name}" actual)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "Checksum mismatch for ${VELMOR_THIRD_PARTY_SOURCE}/${name}")
  endif()
endforeach()

set(codec_prefix "${CMAKE_BINARY_DIR}/third-party")
file(MAKE_DIRECTORY "${codec_prefix}/include")

# Each package is unpacked with dpkg-source (Debian's patches applied, the
# tarballs checked against the .dsc) and configured with the project's own
# toolchain. Only the static libraries are built: no tests, tools or docs.
set(codec_common_args
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${codec_prefix}
    -DCMAKE_INSTALL_LIBDIR=${codec_prefix}/lib
    -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON)
set(codec_libraries)

function(velmor_codec name dsc library)
  cmake_parse_arguments(PARSE_ARGV 3 codec "" "" "OPTIONS;BUILD_COMMAND;INSTALL_COMMAND")
  set(steps)
  if(codec_BUILD_COMMAND)
    list(APPEND steps BUILD_COMMAND ${codec_BUILD_COMMAND} INSTALL_COMMAND ${codec_INSTALL_COMMAND})
  endif()
  ExternalProject_Add(codec_${name}
    PREFIX "${CMAKE_BINARY_DIR}/third-party-build/${name}"
    DOWNLOAD_COMMAND ${CMAKE_COMMAND} -E rm -rf <SOURCE_DIR>/tree
    COMMAND ${VELMOR_DPKG_SOURCE} --no-copy -q -x "${VELMOR_THIRD_PARTY_SOURCE}/${dsc}"
            <SOURCE_DIR>/tree
    SOURCE_SUBDIR tree
    CMAKE_ARGS ${codec_common_args} ${codec_OPTIONS}
    ${steps}
    BUILD_BYPRODUCTS "${codec_prefix}/lib/${library}"
    LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)
  set(codec_libraries ${codec_libraries} "${codec_prefix}/lib/${library}" PARENT_SCOPE)
  add_dependencies(velmor_codecs codec_${name})
endfunction()

# Linked in this order: libtiff and libpng before the libraries they use.
velmor_codec(tiff tiff_4.5.0-6+deb12u4.dsc libtiff.a OPTIONS
  -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF
  -Djpeg=OFF -Dold-jpeg=OFF -Djbig=OFF -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF
  -Dlibdeflate=OFF -Dzlib=OFF -Dpixarlog=OFF -Dcxx=OFF)
velmor_codec(png libpng1.6_1.6.39-2+deb12u5.dsc libpng16.a OPTIONS
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
  -DZLIB_LIBRARY=${VELMOR_MINGW_ZLIB} -DZLIB_INCLUDE_DIR=/usr/${VELMOR_MINGW_PREFIX}/include)
# libjpeg-turbo has no switch for its programs: only the library is built,
# and installed by hand with its four public headers.
velmor_codec(jpeg libjpeg-turbo_2.1.5-2.dsc libjpeg.a OPTIONS
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target jpeg-static
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libjpeg.a ${codec_prefix}/lib/
  COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/jconfig.h <SOURCE_DIR>/tree/jpeglib.h
          <SOURCE_DIR>/tree/jmorecfg.h <SOURCE_DIR>/tree/jerror.h ${codec_prefix}/include/)

target_include_directories(velmor_codecs SYSTEM INTERFACE "${codec_prefix}/include")
target_link_libraries(velmor_codecs INTERFACE ${codec_libraries} ${VELMOR_MINGW_ZLIB})
