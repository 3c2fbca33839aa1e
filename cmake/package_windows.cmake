# The Windows program as a portable zip (cpack -G ZIP): the executable, the Qt libraries and
# the plugins it loads, the compiler's runtime libraries and the catalogues, in one folder.
# The same files are put beside the built programs, so that they and the tests start from the
# build folder (under Wine too) without a PATH of their own.

# The file of an imported target, the release build preferred.
function(vi_imported_file target out)
  foreach(property IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION_RELWITHDEBINFO
                   IMPORTED_LOCATION_MINSIZEREL IMPORTED_LOCATION IMPORTED_LOCATION_DEBUG)
    get_target_property(file ${target} ${property})
    if(file)
      set(${out} ${file} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${target} names no file")
endfunction()

# What the program loads, and what only the tests load besides.
# The app folder's imported targets are not seen here: Network (a second start's call to the
# running copy) is found again.
find_package(Qt6 REQUIRED COMPONENTS Network)
set(vi_program_libraries)
foreach(module Core Gui Widgets Network)
  vi_imported_file(Qt6::${module} file)
  list(APPEND vi_program_libraries ${file})
endforeach()
set(vi_test_libraries)
if(VI_BUILD_TESTS)
  # Found by the tests' folders, whose imported targets are not seen here.
  find_package(Qt6 REQUIRED COMPONENTS Test)
endif()
foreach(module Test)
  if(TARGET Qt6::${module})
    vi_imported_file(Qt6::${module} file)
    list(APPEND vi_test_libraries ${file})
  endif()
endforeach()
vi_imported_file(Qt6::QWindowsIntegrationPlugin vi_platform_plugin)
vi_imported_file(Qt6::QWindowsVistaStylePlugin vi_style_plugin)
set(vi_test_platform_plugins)
if(TARGET Qt6::QOffscreenIntegrationPlugin)
  vi_imported_file(Qt6::QOffscreenIntegrationPlugin vi_test_platform_plugins)
endif()

# MinGW's C++ runtime, as the compiler that built the program finds it.
if(MINGW)
  foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
      OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(file "${file}" REALPATH)
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "The compiler does not know where ${name} is")
    endif()
    list(APPEND vi_program_libraries ${file})
  endforeach()
endif()

file(COPY ${vi_program_libraries} ${vi_test_libraries} DESTINATION ${VI_OUTPUT_DIR})
file(COPY ${vi_platform_plugin} ${vi_test_platform_plugins} DESTINATION ${VI_OUTPUT_DIR}/platforms)
file(COPY ${vi_style_plugin} DESTINATION ${VI_OUTPUT_DIR}/styles)

install(TARGETS VantrelImport RUNTIME DESTINATION .)
install(FILES ${vi_program_libraries} DESTINATION .)
install(FILES ${vi_platform_plugin} DESTINATION platforms)
install(FILES ${vi_style_plugin} DESTINATION styles)
install(FILES ${VI_OUTPUT_DIR}/locale/sl/LC_MESSAGES/default.mo DESTINATION locale/sl/LC_MESSAGES)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/windows/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME VantrelImport)
set(CPACK_PACKAGE_VENDOR VantrelImport)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME VantrelImport-${PROJECT_VERSION}-win64)
# One folder in the zip, named like the zip, to unpack anywhere.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The per-user installer (target msi): the same files, installed into a folder of their own
# first, then made into VantrelImport-<version>-win64.msi by wixl (cmake/windows/make_msi.cmake).
find_program(VI_WIXL wixl)
if(VI_WIXL)
  set(vi_msi_stage ${CMAKE_BINARY_DIR}/msi/stage)
  set(vi_msi ${CMAKE_BINARY_DIR}/VantrelImport-${PROJECT_VERSION}-win64.msi)
  add_custom_target(msi
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${vi_msi_stage}
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${vi_msi_stage} --strip
    COMMAND ${CMAKE_COMMAND} -DSTAGE=${vi_msi_stage} -DVERSION=${PROJECT_VERSION}
            -DICON=${CMAKE_BINARY_DIR}/app/resources/VantrelImport.ico -DOUT=${vi_msi}
            -P ${CMAKE_CURRENT_LIST_DIR}/windows/make_msi.cmake
    DEPENDS VantrelImport vi_locale
    COMMENT "Making ${vi_msi}" VERBATIM)
endif()
