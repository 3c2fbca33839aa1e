# Single-instance guard: named mutex on Windows, per-user lock file elsewhere.
target_sources(vi_platform PRIVATE SingleInstance.h SingleInstance_${VI_PLATFORM}.cpp)
# How a shortcut asked the first window to show.
target_sources(vi_platform PRIVATE ShowCommand.h ShowCommand_${VI_PLATFORM}.cpp)
# The start-up error box: the system's message box on Windows, so that it needs no Qt.
if(WIN32)
  target_sources(vi_platform PRIVATE StartupErrorBox_win.cpp)
endif()
