# About dialog.
add_library(vi_about STATIC uDlgVIAbout.h uDlgVIAbout.cpp)
target_link_libraries(vi_about PUBLIC vi_core vi_i18n_ui vi_platform Qt6::Widgets)
# The executable's file version: version resource on Windows, compiled in elsewhere.
target_sources(vi_platform PRIVATE VersionInfo.h VersionInfo_${VI_PLATFORM}.cpp)
