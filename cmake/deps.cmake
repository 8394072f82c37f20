# The pinned libraries as imported targets, the same names on every target:
#   kv::jpeg   libjpeg-turbo with the release-7 API
#   kv::png    libpng 1.6, brings kv::zlib
#   kv::tiff   libtiff, brings kv::jpeg and kv::zlib for its JPEG and Deflate codecs
#   kv::zlib   zlib: MinGW's static one on Windows, the system's on the host
#   kv::webp   libwebp's decoder and demuxer
#   kv::heif   libheif, with libde265 (HEVC) and dav1d (AV1) built in
#   kv::lcms2  Little CMS
#   kv::jxl    libjxl's decoder, with highway built in
#   kv::raw    LibRaw (camera RAW files' metadata and embedded previews)
# scripts/deps builds them from the source packages pinned in deps/pins into
# TAVI_LIBS_DIR: cross-built for the Windows targets, with the sanitizers for the host.
# Needs TAVI_TARGET and TAVI_WINDOWS. TAVI_LIBS_PACKAGES lists the source packages, and
# TAVI_LIBS_VERSIONS ("package=version;...") the versions the set-up built, from its stamps.

# Where scripts/setup keeps the pinned libraries and the Wine environment
# (TAVI_DEPS_CACHE moves it, for the set-up and CMake alike).
if(DEFINED ENV{TAVI_DEPS_CACHE})
  set(TAVI_DEPS_CACHE $ENV{TAVI_DEPS_CACHE})
else()
  set(TAVI_DEPS_CACHE /var/cache/tavi-deps)
endif()

# Derived on every configure, not kept in CMake's cache, so that a build tree configured
# before the libraries moved follows them. TAVI_LIBS_SET names another set of the same
# libraries: the benchmark's is pinned-bench.
if(NOT TAVI_LIBS_SET)
  set(TAVI_LIBS_SET pinned)
endif()
set(TAVI_LIBS_DIR ${TAVI_DEPS_CACHE}/${TAVI_LIBS_SET}/${TAVI_TARGET})

set(_tavi_pins ${CMAKE_CURRENT_LIST_DIR}/../deps/pins)
file(READ ${_tavi_pins} _pins)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_tavi_pins})
set(TAVI_LIBS_PACKAGES libjpeg-turbo libpng1.6 tiff libwebp libde265 dav1d libheif lcms2 jpeg-xl
                       libraw)
set(_tavi_libs_missing "")
set(TAVI_LIBS_VERSIONS "")
foreach(_package ${TAVI_LIBS_PACKAGES})
  if(EXISTS ${TAVI_LIBS_DIR}/stamps/${_package})
    file(STRINGS ${TAVI_LIBS_DIR}/stamps/${_package} _version REGEX "^version ")
    string(REPLACE "version " "" _version "${_version}")
    string(FIND "${_pins}" "\n${_package} ${_version} " _pinned)
    if(_pinned EQUAL -1)
      message(FATAL_ERROR "${TAVI_LIBS_DIR} holds ${_package} ${_version}, which deps/pins does "
                          "not list. Run scripts/setup as root to build the pinned version.")
    endif()
    list(APPEND TAVI_LIBS_VERSIONS "${_package}=${_version}")
    # A library rebuilt by the set-up updates what is made from the versions.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TAVI_LIBS_DIR}/stamps/${_package})
  else()
    list(APPEND _tavi_libs_missing ${_package})
  endif()
endforeach()
if(_tavi_libs_missing)
  list(JOIN _tavi_libs_missing ", " _tavi_libs_missing)
  message(FATAL_ERROR "The libraries for ${TAVI_TARGET} are missing from ${TAVI_LIBS_DIR} "
                      "(${_tavi_libs_missing}). Run scripts/setup as root to build them.")
endif()

# _tavi_import_static(NAME FILE [LINKS target...] [DEFINES definition...])
function(_tavi_import_static name file)
  cmake_parse_arguments(A "" "" "LINKS;DEFINES" ${ARGN})
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${TAVI_LIBS_DIR}/lib/${file}
                                           INTERFACE_INCLUDE_DIRECTORIES ${TAVI_LIBS_DIR}/include)
  set_property(TARGET ${name} PROPERTY INTERFACE_LINK_LIBRARIES ${A_LINKS})
  set_property(TARGET ${name} PROPERTY INTERFACE_COMPILE_DEFINITIONS ${A_DEFINES})
endfunction()

if(TAVI_WINDOWS)
  # NAMES libz.a first: MinGW also ships the import library of zlib's DLL, and the
  # programs are linked statically.
  find_library(TAVI_MINGW_ZLIB NAMES libz.a z REQUIRED)
  find_path(TAVI_MINGW_ZLIB_INCLUDE zlib.h REQUIRED)
  add_library(kv::zlib STATIC IMPORTED GLOBAL)
  set_target_properties(kv::zlib PROPERTIES IMPORTED_LOCATION ${TAVI_MINGW_ZLIB}
                                            INTERFACE_INCLUDE_DIRECTORIES ${TAVI_MINGW_ZLIB_INCLUDE})
  add_library(kv::system_libraries INTERFACE IMPORTED GLOBAL)
else()
  set(CMAKE_FIND_PACKAGE_TARGETS_GLOBAL ON)
  find_package(ZLIB REQUIRED)
  find_package(Threads REQUIRED)
  add_library(kv::zlib ALIAS ZLIB::ZLIB)
  # What the libraries need of the system on the host.
  add_library(kv::system_libraries INTERFACE IMPORTED GLOBAL)
  set_target_properties(kv::system_libraries PROPERTIES
                        INTERFACE_LINK_LIBRARIES "Threads::Threads;m;${CMAKE_DL_LIBS}")
endif()

_tavi_import_static(kv::jpeg libjpeg.a)
_tavi_import_static(kv::png libpng16.a LINKS kv::zlib kv::system_libraries)
_tavi_import_static(kv::tiff libtiff.a LINKS kv::jpeg kv::zlib kv::system_libraries)
_tavi_import_static(kv::webp_decoder libwebpdecoder.a LINKS kv::system_libraries)
_tavi_import_static(kv::webp libwebpdemux.a LINKS kv::webp_decoder)
_tavi_import_static(kv::de265 libde265.a LINKS kv::system_libraries DEFINES LIBDE265_STATIC_BUILD)
_tavi_import_static(kv::dav1d libdav1d.a LINKS kv::system_libraries)
_tavi_import_static(kv::heif libheif.a LINKS kv::de265 kv::dav1d DEFINES LIBHEIF_STATIC_BUILD)
_tavi_import_static(kv::lcms2 liblcms2.a LINKS kv::system_libraries)
_tavi_import_static(kv::hwy libhwy.a LINKS kv::system_libraries)
_tavi_import_static(kv::jxl libjxl_dec.a LINKS kv::hwy DEFINES JXL_STATIC_DEFINE)
# LibRaw's byte-order helpers are the Windows sockets library's on Windows.
if(TAVI_WINDOWS)
  _tavi_import_static(kv::raw libraw.a LINKS ws2_32 DEFINES LIBRAW_NODLL)
else()
  _tavi_import_static(kv::raw libraw.a LINKS kv::system_libraries DEFINES LIBRAW_NODLL)
endif()
