# `fetchly` itself, `fetchly copy` and the --ftp forms of `fetchly get` / `fetchly put`, run as
# the real program against real FTP and SMB servers.
if(NOT TARGET fetchly)
  return()
endif()

add_executable(cli_ftp_copy_test cli_ftp_copy_test.cpp cli_front_test.cpp)
target_link_libraries(cli_ftp_copy_test PRIVATE fetchly_settings fetchly_testsupport GTest::gtest_main)
target_compile_definitions(cli_ftp_copy_test PRIVATE FETCHLY_PROGRAM="$<TARGET_FILE:fetchly>"
  FETCHLY_VERSION="${PROJECT_VERSION}" FETCHLY_WITH_GUI=$<BOOL:${FETCHLY_BUILD_GUI}>)
add_dependencies(cli_ftp_copy_test fetchly)
gtest_discover_tests(cli_ftp_copy_test DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "LC_ALL=C" TIMEOUT 120)
