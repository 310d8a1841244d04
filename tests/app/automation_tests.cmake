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

add_executable(automation_pump_test
  automation_test_main.cpp
  automation_event_pump_test.cpp
  ${PROJECT_SOURCE_DIR}/app/ui_event_pump.h
  ${PROJECT_SOURCE_DIR}/app/ui_event_pump.cpp
  ${PROJECT_SOURCE_DIR}/app/latest_job_worker.h
  ${PROJECT_SOURCE_DIR}/app/latest_job_worker.cpp)
target_link_libraries(automation_pump_test PRIVATE fetchly_settings fetchly_testsupport Qt6::Core GTest::gtest)
gtest_discover_tests(automation_pump_test DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "LC_ALL=C")

# The main window's download runs and automation, offscreen.
if(TARGET fetchly_app)
  add_executable(automation_window_test
    automation_window_main.cpp
    automation_download_run_test.cpp
    automation_window_test.cpp)
  target_link_libraries(automation_window_test PRIVATE fetchly_settings fetchly_testsupport fetchly_app
    GTest::gtest)
  add_dependencies(automation_window_test fetchly fetchly-native-host)
  gtest_discover_tests(automation_window_test DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "LC_ALL=C;QT_QPA_PLATFORM=offscreen" TIMEOUT 180)
endif()
