# Linux: the install tree that both the user install (scripts/install-user.sh) and the portable
# archive are made of:
#   VantrelImport, locale/, install-user.sh, README.txt,
#   share/applications/vantrelimport.desktop, share/icons/hicolor/<n>x<n>/apps/vantrelimport.png
# `cpack -G TGZ` in the build folder packs it as VantrelImport-<version>-Linux-<cpu>.tar.gz.

set(vi_linux_resources ${CMAKE_SOURCE_DIR}/app/resources/linux)

# The icon theme's images, painted by the same code as the program's icon.
set(vi_theme_dir ${CMAKE_BINARY_DIR}/icons/hicolor)
set(vi_theme_pngs)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND vi_theme_pngs ${vi_theme_dir}/${size}x${size}/apps/vantrelimport.png)
endforeach()
add_custom_command(OUTPUT ${vi_theme_pngs}
  COMMAND vi_make_ico --png ${vi_theme_dir}
  DEPENDS vi_make_ico
  COMMENT "Painting the theme icons" VERBATIM)
add_custom_target(vi_theme_icons ALL DEPENDS ${vi_theme_pngs})

# The menu entry, its name and comment in every language the program speaks taken from the
# program's own catalogues.
set(vi_desktop_entry ${CMAKE_BINARY_DIR}/share/applications/vantrelimport.desktop)
set(vi_entry_steps)
set(vi_entry_in ${vi_linux_resources}/vantrelimport.desktop.in)
set(vi_entry_deps ${vi_entry_in})
foreach(code ${VI_LANGUAGES})
  set(vi_po ${CMAKE_SOURCE_DIR}/locale/${code}/default.po)
  list(APPEND vi_entry_steps COMMAND ${VI_MSGFMT} --desktop --template=${vi_entry_in} -l ${code}
       -o ${vi_desktop_entry}.${code} ${vi_po})
  list(APPEND vi_entry_deps ${vi_po})
  set(vi_entry_in ${vi_desktop_entry}.${code})
endforeach()
add_custom_command(OUTPUT ${vi_desktop_entry}
  ${vi_entry_steps}
  COMMAND ${CMAKE_COMMAND} -E copy ${vi_entry_in} ${vi_desktop_entry}
  DEPENDS ${vi_entry_deps}
  COMMENT "Translating the desktop entry" VERBATIM)
add_custom_target(vi_desktop_entry ALL DEPENDS ${vi_desktop_entry})

install(TARGETS VantrelImport RUNTIME DESTINATION .)
install(DIRECTORY ${VI_OUTPUT_DIR}/locale DESTINATION .)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/install-user.sh DESTINATION .)
install(FILES ${vi_linux_resources}/README.txt DESTINATION .)
install(FILES ${vi_desktop_entry} DESTINATION share/applications)
install(DIRECTORY ${vi_theme_dir} DESTINATION share/icons)

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME VantrelImport)
set(CPACK_PACKAGE_VENDOR VantrelImport)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGE_FILE_NAME
  VantrelImport-${CPACK_PACKAGE_VERSION}-Linux-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
