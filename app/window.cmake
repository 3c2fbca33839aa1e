find_package(Qt6 REQUIRED COMPONENTS Network) # a second start calls the running copy
# The windows' design font, shared by every window library.
add_library(vi_font STATIC ProgramFont.h ProgramFont.cpp)
target_include_directories(vi_font PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vi_font PUBLIC Qt6::Widgets)

# Main window, tray icon, start-up.
add_library(vi_window STATIC
  Artwork.h Artwork.cpp
  ActionBinding.h ActionBinding.cpp
  ErrorReport.h ErrorReport.cpp
  TrayNotifier.h TrayNotifier.cpp
  TrayIconSurface.h TrayIconSurface.cpp
  uVantrelForm.h uVantrelForm.cpp
  WindowOnScreen.h WindowOnScreen.cpp
  Startup.h Startup.cpp
  SingleInstanceCall.h SingleInstanceCall.cpp
  StartupErrorBox.h TerminationSignals.h)
# Ending on the system's request: signals here, the session's end on Windows.
target_sources(vi_window PRIVATE TerminationSignals_${VI_PLATFORM}.cpp)
if(NOT WIN32)
  # The start-up box needs Qt here; on Windows it is a Qt-free platform unit.
  target_sources(vi_window PRIVATE StartupErrorBox_posix.cpp)
endif()
# Balloons as desktop notifications where Qt has D-Bus (the freedesktop desktops).
if(NOT WIN32)
  find_package(Qt6 QUIET COMPONENTS DBus)
endif()
if(TARGET Qt6::DBus)
  target_sources(vi_window PRIVATE DesktopNotifications.h DesktopNotifications_dbus.h
                                   DesktopNotifications_dbus.cpp)
  target_link_libraries(vi_window PUBLIC Qt6::DBus)
else()
  target_sources(vi_window PRIVATE DesktopNotifications.h DesktopNotifications_none.cpp)
endif()
target_link_libraries(vi_window PUBLIC
  vi_core vi_platform vi_i18n vi_settings vi_import vi_schedule vi_log_ui vi_i18n_ui vi_about vi_options vi_font Qt6::Widgets Qt6::Network)
