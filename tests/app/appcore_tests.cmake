# The GUI-free core: entry table, link types and lines, list file, INI file.
add_executable(appcore_test
  test_main.cpp
  entry_table_test.cpp
  download_lines_test.cpp
  list_file_test.cpp
  ini_file_test.cpp
)
target_link_libraries(appcore_test PRIVATE fetchly_settings fetchly_appcore fetchly_testsupport GTest::gtest)
gtest_discover_tests(appcore_test DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "LC_ALL=C")

# A short run of the list-file and INI fuzzers, so they never rot.
find_program(FETCHLY_CLANGXX clang++)
if(FETCHLY_CLANGXX)
  add_test(NAME app_fuzz_smoke
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/fuzz.sh 5 fuzz_list_file fuzz_ini_file)
  set_tests_properties(app_fuzz_smoke PROPERTIES TIMEOUT 900 LABELS fuzz)
endif()

# The download board over real engine runs; Qt-free, so it also runs under
# ThreadSanitizer (scripts/sanitize.sh).
add_executable(download_board_test test_main.cpp core/download_board_test.cpp)
target_link_libraries(download_board_test PRIVATE fetchly_settings fetchly_board fetchly_testsupport GTest::gtest)
gtest_discover_tests(download_board_test DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "LC_ALL=C")
