# Windows resources of the executable: version record, program icon and the application
# manifest binding the common controls 6.0.0.0.
include(${CMAKE_CURRENT_LIST_DIR}/resources/WinResources.cmake)

# Writes the icon painted in code as an .ico; built on every platform so that the Windows
# resources can be produced and checked from a Linux build too.
add_executable(vi_make_ico resources/make_ico.cpp Artwork.cpp Artwork.h)
target_link_libraries(vi_make_ico PRIVATE Qt6::Gui)
target_include_directories(vi_make_ico PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(vi_make_ico PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

if(WIN32)
  enable_language(RC)
  target_link_libraries(vi_platform PUBLIC version advapi32) # advapi32: the user of the call pipe

  set(vi_res_dir ${CMAKE_CURRENT_BINARY_DIR}/resources)
  set(vi_ico ${vi_res_dir}/VantrelImport.ico)
  # In a cross build the tool is a Windows program too: it runs through the emulator, beside
  # the runtime libraries that the build puts into the output folder.
  set(vi_make_ico_command vi_make_ico)
  if(CMAKE_CROSSCOMPILING)
    set_target_properties(vi_make_ico PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VI_OUTPUT_DIR})
    set(vi_make_ico_command ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:vi_make_ico>)
  endif()
  add_custom_command(OUTPUT ${vi_ico}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${vi_res_dir}
    COMMAND ${vi_make_ico_command} ${vi_ico}
    DEPENDS vi_make_ico VERBATIM)
  set(vi_icon_option ICON ${vi_ico})
  target_sources(VantrelImport PRIVATE ${vi_ico})
  if(MSVC)
    set(vi_manifest_option "")
  else()
    set(vi_manifest_option MANIFEST)
  endif()
  vi_windows_resources(vi_rc DIR ${vi_res_dir} VERSION ${PROJECT_VERSION} NAME VantrelImport
    FILENAME VantrelImport.exe TYPE VFT_APP ${vi_icon_option} ${vi_manifest_option})
  target_sources(VantrelImport PRIVATE ${vi_rc})
  if(MSVC)
    # The linker merges it into the manifest it writes itself.
    target_sources(VantrelImport PRIVATE ${vi_res_dir}/app.manifest)
  endif()
endif()
