# The image libraries as imported targets, the same names on every target:
#   kv::jpeg  libjpeg (release-7 API on the Windows targets)
#   kv::png   libpng 1.6, brings kv::zlib
#   kv::tiff  libtiff, brings kv::jpeg for its JPEG codec
#   kv::zlib  zlib
#   kv::webp  libwebp's decoder and demuxer
#   kv::heif  libheif, with libde265 (HEVC) and dav1d (AV1) built in on the Windows targets
# The Windows targets link the static libraries that scripts/deps cross-builds into
# TAVI_DEPS_DIR (codecs in its codecs/ folder) and MinGW's own static zlib; the host build
# uses the system's packages.

if(TAVI_WINDOWS)
  set(_tavi_deps_missing "")
  foreach(_file include/jpeglib.h include/png.h include/tiffio.h lib/libjpeg.a lib/libpng16.a
                lib/libtiff.a codecs/include/webp/decode.h codecs/include/libheif/heif.h
                codecs/lib/libwebpdecoder.a codecs/lib/libwebpdemux.a codecs/lib/libheif.a
                codecs/lib/libde265.a codecs/lib/libdav1d.a)
    if(NOT EXISTS ${TAVI_DEPS_DIR}/${_file})
      list(APPEND _tavi_deps_missing ${_file})
    endif()
  endforeach()
  list(JOIN _tavi_deps_missing ", " _tavi_deps_missing)
  if(_tavi_deps_missing)
    message(FATAL_ERROR "The image libraries for ${TAVI_TARGET} are missing from ${TAVI_DEPS_DIR} "
                        "(${_tavi_deps_missing}). Run scripts/setup as root to build them.")
  endif()

  # NAMES libz.a first: MinGW also ships the import library of zlib's DLL, and the
  # programs are linked statically.
  find_library(TAVI_MINGW_ZLIB NAMES libz.a z REQUIRED)
  find_path(TAVI_MINGW_ZLIB_INCLUDE zlib.h REQUIRED)

  function(_tavi_import_static name file)
    add_library(${name} STATIC IMPORTED GLOBAL)
    set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${file} ${ARGN})
  endfunction()
  _tavi_import_static(kv::zlib ${TAVI_MINGW_ZLIB} INTERFACE_INCLUDE_DIRECTORIES ${TAVI_MINGW_ZLIB_INCLUDE})
  _tavi_import_static(kv::jpeg ${TAVI_DEPS_DIR}/lib/libjpeg.a INTERFACE_INCLUDE_DIRECTORIES
                      ${TAVI_DEPS_DIR}/include)
  _tavi_import_static(kv::png ${TAVI_DEPS_DIR}/lib/libpng16.a INTERFACE_INCLUDE_DIRECTORIES
                      ${TAVI_DEPS_DIR}/include INTERFACE_LINK_LIBRARIES kv::zlib)
  _tavi_import_static(kv::tiff ${TAVI_DEPS_DIR}/lib/libtiff.a INTERFACE_INCLUDE_DIRECTORIES
                      ${TAVI_DEPS_DIR}/include INTERFACE_LINK_LIBRARIES kv::jpeg)
  set(_codecs ${TAVI_DEPS_DIR}/codecs)
  _tavi_import_static(kv::webp_decoder ${_codecs}/lib/libwebpdecoder.a)
  _tavi_import_static(kv::webp ${_codecs}/lib/libwebpdemux.a INTERFACE_INCLUDE_DIRECTORIES
                      ${_codecs}/include INTERFACE_LINK_LIBRARIES kv::webp_decoder)
  _tavi_import_static(kv::de265 ${_codecs}/lib/libde265.a)
  _tavi_import_static(kv::dav1d ${_codecs}/lib/libdav1d.a)
  _tavi_import_static(kv::heif ${_codecs}/lib/libheif.a INTERFACE_INCLUDE_DIRECTORIES
                      ${_codecs}/include)
  set_property(TARGET kv::heif PROPERTY INTERFACE_LINK_LIBRARIES kv::de265 kv::dav1d)
else()
  set(CMAKE_FIND_PACKAGE_TARGETS_GLOBAL ON)
  find_package(ZLIB REQUIRED)
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  find_package(TIFF REQUIRED)
  add_library(kv::zlib ALIAS ZLIB::ZLIB)
  add_library(kv::jpeg ALIAS JPEG::JPEG)
  add_library(kv::png ALIAS PNG::PNG)
  add_library(kv::tiff ALIAS TIFF::TIFF)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(KV_WEBP REQUIRED IMPORTED_TARGET GLOBAL libwebpdemux libwebp)
  pkg_check_modules(KV_HEIF REQUIRED IMPORTED_TARGET GLOBAL libheif)
  add_library(kv::webp ALIAS PkgConfig::KV_WEBP)
  add_library(kv::heif ALIAS PkgConfig::KV_HEIF)
endif()
