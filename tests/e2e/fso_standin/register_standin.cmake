# tavi_register_fso_standin(FIXTURE <name> WINE_DIR <dir>): a set-up test that registers the
# stand-in scripting file-system object (target kv_fso_standin) in the Wine prefix kept under
# WINE_DIR, under the ProgID "Scripting.FileSystemObject". Tests that delete folders through
# it run with `scripts/wine --dir <dir>` and declare FIXTURES_REQUIRED <name>. Fixture names
# hold across the test trees of one CTest run: name them per target.
function(tavi_register_fso_standin)
  cmake_parse_arguments(R "" "FIXTURE;WINE_DIR" "" ${ARGN})
  add_test(NAME ${R_FIXTURE}.register_fso_standin
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine --dir ${R_WINE_DIR}
                   regsvr32 /s Z:$<TARGET_FILE:kv_fso_standin>)
  set_tests_properties(${R_FIXTURE}.register_fso_standin PROPERTIES
                       FIXTURES_SETUP ${R_FIXTURE} TIMEOUT 120)
endfunction()
