# Sources of the image conversion library, shared by the main build and the standalone
# fuzz and benchmark builds. KV_IMAGECONV_WINDOWS picks the platform seam.
set(KV_IMAGECONV_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KV_IMAGECONV_SOURCES
  ${KV_IMAGECONV_DIR}/bmp_writer.cpp
  ${KV_IMAGECONV_DIR}/convert_to_bmp.cpp
  ${KV_IMAGECONV_DIR}/library_info.cpp
  ${KV_IMAGECONV_DIR}/load_any_image.cpp
  ${KV_IMAGECONV_DIR}/raster_image.cpp
  ${KV_IMAGECONV_DIR}/colour/colour_profiles.cpp
  ${KV_IMAGECONV_DIR}/colour/colour_to_srgb.cpp
  ${KV_IMAGECONV_DIR}/formats/bmp_reader.cpp
  ${KV_IMAGECONV_DIR}/formats/bmp_rows.cpp
  ${KV_IMAGECONV_DIR}/formats/input_file.cpp
  ${KV_IMAGECONV_DIR}/formats/jpeg_reader.cpp
  ${KV_IMAGECONV_DIR}/formats/jxl/jxl_reader.cpp
  ${KV_IMAGECONV_DIR}/formats/jxl/jxl_runner.cpp
  ${KV_IMAGECONV_DIR}/formats/orientation.cpp
  ${KV_IMAGECONV_DIR}/formats/pcx_reader.cpp
  ${KV_IMAGECONV_DIR}/formats/photocd_reader.cpp
  ${KV_IMAGECONV_DIR}/formats/png_reader.cpp
  ${KV_IMAGECONV_DIR}/formats/raw_reader.cpp
  ${KV_IMAGECONV_DIR}/formats/tiff_reader.cpp
  ${KV_IMAGECONV_DIR}/formats/to_24bit.cpp
  ${KV_IMAGECONV_DIR}/formats/webp_reader.cpp
  ${KV_IMAGECONV_DIR}/formats/heif/box_fields.cpp
  ${KV_IMAGECONV_DIR}/formats/heif/coded_picture.cpp
  ${KV_IMAGECONV_DIR}/formats/heif/heif_items.cpp
  ${KV_IMAGECONV_DIR}/formats/heif/heif_layout.cpp
  ${KV_IMAGECONV_DIR}/formats/heif/heif_planes.cpp
  ${KV_IMAGECONV_DIR}/formats/heif/heif_reader.cpp
  ${KV_IMAGECONV_DIR}/memory/counted_blocks.cpp
  ${KV_IMAGECONV_DIR}/memory/counted_memory.cpp
  ${KV_IMAGECONV_DIR}/memory/row_bands.cpp
  ${KV_IMAGECONV_DIR}/memory/temp_file_name.cpp
  ${KV_IMAGECONV_DIR}/memory/write_ahead.cpp
)
if(KV_IMAGECONV_WINDOWS)
  list(APPEND KV_IMAGECONV_SOURCES ${KV_IMAGECONV_DIR}/memory/platform_win32.cpp)
else()
  list(APPEND KV_IMAGECONV_SOURCES ${KV_IMAGECONV_DIR}/memory/platform_posix.cpp)
endif()

# The format libraries: the pinned ones of cmake/deps.cmake. Every program that links them
# has its heap functions wrapped (memory/counted_memory.cpp), so that what they allocate
# during a conversion is counted; the wrappers' object is linked whether or not the program
# calls the library.
function(kv_imageconv_link_formats target)
  target_link_libraries(${target} PUBLIC kv::tiff kv::jpeg kv::png kv::webp kv::heif kv::jxl kv::lcms2
                        kv::raw)
  # On Windows MinGW's aligned allocation and the static C++ runtime are built on malloc,
  # and the runtime's exceptions and thread-local storage are allocated past the budget; the
  # host's C library has aligned functions of its own.
  set(wrapped malloc calloc realloc free)
  if(KV_IMAGECONV_WINDOWS)
    list(APPEND wrapped __cxa_allocate_exception __cxa_allocate_dependent_exception
         __emutls_get_address)
  else()
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
