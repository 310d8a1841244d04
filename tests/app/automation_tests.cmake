# Automation over D-Bus, the native messaging host and the browser extension.
if(NOT TARGET fetchly_automation)
  return()
endif()

add_executable(automation_unit_test
  automation_test_main.cpp
  automation_switches_test.cpp
  automation_manifests_test.cpp
  automation_host_test.cpp)
target_link_libraries(automation_unit_test PRIVATE fetchly_settings fetchly_testsupport
  fetchly_automation fetchly_nativehost_core GTest::gtest)
gtest_discover_tests(automation_unit_test DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "LC_ALL=C")

add_executable(automation_bus_test
  automation_test_main.cpp
  automation_bus_test.cpp)
target_link_libraries(automation_bus_test PRIVATE fetchly_settings fetchly_testsupport
  fetchly_automation fetchly_nativehost_core GTest::gtest)
add_dependencies(automation_bus_test fetchly fetchly-native-host)
gtest_discover_tests(automation_bus_test DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "LC_ALL=C;QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
