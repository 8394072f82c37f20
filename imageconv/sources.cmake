# Sources of the image conversion library, shared by the main build and the standalone
# fuzz and benchmark builds. KV_IMAGECONV_WINDOWS picks the platform seam.
set(KV_IMAGECONV_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KV_IMAGECONV_SOURCES
  ${KV_IMAGECONV_DIR}/bmp_read.cpp
  ${KV_IMAGECONV_DIR}/bmp_rows.cpp
  ${KV_IMAGECONV_DIR}/bmp_write.cpp
  ${KV_IMAGECONV_DIR}/colour_profiles.cpp
  ${KV_IMAGECONV_DIR}/colour_to_srgb.cpp
  ${KV_IMAGECONV_DIR}/convert_to_bmp.cpp
  ${KV_IMAGECONV_DIR}/counted_memory.cpp
  ${KV_IMAGECONV_DIR}/heif_layout.cpp
  ${KV_IMAGECONV_DIR}/heif_planes.cpp
  ${KV_IMAGECONV_DIR}/heif_reader.cpp
  ${KV_IMAGECONV_DIR}/input_file.cpp
  ${KV_IMAGECONV_DIR}/jpeg_reader.cpp
  ${KV_IMAGECONV_DIR}/library_info.cpp
  ${KV_IMAGECONV_DIR}/load_any_image.cpp
  ${KV_IMAGECONV_DIR}/orientation.cpp
  ${KV_IMAGECONV_DIR}/pcx_reader.cpp
  ${KV_IMAGECONV_DIR}/photocd_reader.cpp
  ${KV_IMAGECONV_DIR}/png_reader.cpp
  ${KV_IMAGECONV_DIR}/raster_image.cpp
  ${KV_IMAGECONV_DIR}/raw_reader.cpp
  ${KV_IMAGECONV_DIR}/temp_file_name.cpp
  ${KV_IMAGECONV_DIR}/tiff_reader.cpp
  ${KV_IMAGECONV_DIR}/to_24bit.cpp
  ${KV_IMAGECONV_DIR}/webp_reader.cpp
)
if(KV_IMAGECONV_WINDOWS)
  list(APPEND KV_IMAGECONV_SOURCES ${KV_IMAGECONV_DIR}/platform_win32.cpp)
else()
  list(APPEND KV_IMAGECONV_SOURCES ${KV_IMAGECONV_DIR}/platform_posix.cpp)
endif()

# The format libraries: the pinned ones of cmake/deps.cmake. Every program that links them
# has its heap functions wrapped (counted_memory.cpp), so that what they allocate during a
# conversion is counted; the wrappers' object is linked whether or not the program calls
# the library.
function(kv_imageconv_link_formats target)
  target_link_libraries(${target} PUBLIC kv::tiff kv::jpeg kv::png kv::webp kv::heif kv::lcms2 kv::raw)
  # On Windows MinGW's aligned allocation and the static C++ runtime are built on malloc;
  # the host's C library has aligned functions of its own.
  set(wrapped malloc calloc realloc free)
  if(NOT KV_IMAGECONV_WINDOWS)
    list(APPEND wrapped posix_memalign aligned_alloc memalign)
  endif()
  list(TRANSFORM wrapped PREPEND "--wrap=")
  list(JOIN wrapped "," wrapped)
  # 32-bit Windows names C symbols with a leading underscore.
  if(TAVI_TARGET STREQUAL "win32")
    set(symbol ___wrap_malloc)
  else()
    set(symbol __wrap_malloc)
  endif()
  target_link_options(${target} INTERFACE "LINKER:${wrapped},--undefined=${symbol}")
endfunction()
