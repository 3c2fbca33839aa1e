# Tests of the main window and start-up.
find_package(Qt6 REQUIRED COMPONENTS Test)
vi_add_test(test_main_window GUI SOURCES test_main_window.cpp LIBS vi_window Qt6::Test)
vi_add_test(test_tray_notifier SOURCES test_tray_notifier.cpp LIBS vi_window Qt6::Test)

# Under the program's own application object: a main of its own.
add_executable(test_error_report test_error_report.cpp)
target_link_libraries(test_error_report PRIVATE vi_window GTest::gtest Qt6::Test)
target_include_directories(test_error_report PRIVATE ${CMAKE_SOURCE_DIR})
gtest_discover_tests(test_error_report DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# The built program as processes (ended by POSIX signals), and importing from the scripted
# server: this build's program, or the Windows build under Wine when VI_WINDOWS_PROGRAM names it.
if(NOT WIN32)
  find_package(Qt6 REQUIRED COMPONENTS Network)
  vi_add_test(test_program_process SOURCES test_program_process.cpp
    LIBS Qt6::Core Qt6::Network vi_tds_test_server)
  vi_add_test(test_program_import SOURCES test_program_import.cpp LIBS vi_tds_test_server)
  foreach(test test_program_process test_program_import)
    target_compile_definitions(${test} PRIVATE VI_EXE_PATH="$<TARGET_FILE:VantrelImport>")
    add_dependencies(${test} VantrelImport)
  endforeach()

  # The single-instance lock (the Windows mutex is tested with the Windows units).
  vi_add_test(test_single_instance SOURCES test_single_instance.cpp LIBS vi_platform Qt6::Core)
endif()

# Desktop notifications, against a notification service of the tests' own on a private bus.
if(TARGET Qt6::DBus)
  vi_add_test(test_desktop_notifications SOURCES test_desktop_notifications.cpp
    LIBS vi_window Qt6::Test Qt6::DBus)
endif()
