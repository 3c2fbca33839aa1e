# Makes the per-user MSI of the installed program (the files of the zip) with wixl and msibuild:
#   cmake -DSTAGE=<installed tree> -DVERSION=<x.y.z[.w]> -DICON=<.ico> -DOUT=<file.msi>
#         -P make_msi.cmake
# The WiX source it compiles and a copy of the icon are written beside OUT (.wxs, .ico).
cmake_minimum_required(VERSION 3.25)
foreach(var STAGE VERSION ICON OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_msi.cmake needs -D${var}=...")
  endif()
endforeach()
foreach(var STAGE ICON OUT)
  get_filename_component(${var} ${${var}} ABSOLUTE)
endforeach()
find_program(VI_WIXL wixl REQUIRED)
find_program(VI_MSIBUILD msibuild REQUIRED)

set(VI_MSI_VERSION ${VERSION})
set(VI_MSI_UPGRADE_CODE 1381C845-89A1-4708-BDDD-005C7F74823F)
set(registry_key "Software\\VantrelImport\\Installer")
# wixl finds files only by names relative to its working folder, OUT's.
string(REGEX REPLACE "\\.msi$" "" base ${OUT})
get_filename_component(dir ${OUT} DIRECTORY)
file(RELATIVE_PATH stage_source ${dir} ${STAGE})

# Component codes follow from the upgrade code and the component's name: the same in every
# version, as Windows Installer wants of a component that keeps its contents.
function(vi_guid name out)
  string(UUID id NAMESPACE ${VI_MSI_UPGRADE_CODE} NAME "${name}" TYPE SHA1 UPPER)
  set(${out} ${id} PARENT_SCOPE)
endfunction()
vi_guid(MenuShortcut VI_MSI_MENU_GUID)
vi_guid(StartupShortcut VI_MSI_STARTUP_GUID)

# One component per folder: its files, the folder's removal on uninstall and a value under
# HKCU as key path. Sets the variable named by out to the folder's <Directory> element.
function(vi_folder rel indent out)
  if(rel STREQUAL "")
    set(id INSTALLDIR)
    set(name VantrelImport)
    set(path ${STAGE})
    set(source ${stage_source})
  else()
    string(MAKE_C_IDENTIFIER "d_${rel}" id)
    get_filename_component(name ${rel} NAME)
    set(path ${STAGE}/${rel})
    set(source ${stage_source}/${rel})
  endif()
  file(GLOB entries LIST_DIRECTORIES true RELATIVE ${path} ${path}/*)
  list(SORT entries)
  vi_guid("folder:${rel}" guid)
  set(xml "${indent}<Directory Id=\"${id}\" Name=\"${name}\">\n")
  string(APPEND xml "${indent}  <Component Id=\"c_${id}\" Guid=\"${guid}\">\n")
  set(folders)
  foreach(entry ${entries})
    if(IS_DIRECTORY ${path}/${entry})
      list(APPEND folders ${entry})
      continue()
    endif()
    # The user's settings outlive every version: never a file of the package.
    if(entry STREQUAL "settings.ini")
      message(FATAL_ERROR "${path}/settings.ini must not be packed")
    endif()
    string(MAKE_C_IDENTIFIER "f_${rel}/${entry}" file_id)
    string(APPEND xml "${indent}    <File Id=\"${file_id}\" Name=\"${entry}\" "
                      "Source=\"${source}/${entry}\"/>\n")
  endforeach()
  string(APPEND xml "${indent}    <RemoveFolder Id=\"r_${id}\" On=\"uninstall\"/>\n"
                    "${indent}    <RegistryValue Root=\"HKCU\" Key=\"${registry_key}\" "
                    "Name=\"folder:${rel}\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>\n"
                    "${indent}  </Component>\n")
  set_property(GLOBAL APPEND_STRING PROPERTY vi_msi_refs "      <ComponentRef Id=\"c_${id}\"/>\n")
  foreach(folder ${folders})
    if(rel STREQUAL "")
      vi_folder("${folder}" "${indent}  " sub)
    else()
      vi_folder("${rel}/${folder}" "${indent}  " sub)
    endif()
    string(APPEND xml "${sub}")
  endforeach()
  set(${out} "${xml}${indent}</Directory>\n" PARENT_SCOPE)
endfunction()

if(NOT EXISTS ${STAGE}/VantrelImport.exe)
  message(FATAL_ERROR "No VantrelImport.exe in ${STAGE}")
endif()
vi_folder("" "          " VI_MSI_TREE)
# Programs too, when nothing else is left in it.
vi_guid("folder:Programs" guid)
string(PREPEND VI_MSI_TREE "          <Component Id=\"c_LocalProgramsFolder\" Guid=\"${guid}\">\n"
  "            <RemoveFolder Id=\"r_LocalProgramsFolder\" On=\"uninstall\"/>\n"
  "            <RegistryValue Root=\"HKCU\" Key=\"${registry_key}\" Name=\"folder:..\" "
  "Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>\n          </Component>\n")
set_property(GLOBAL APPEND_STRING PROPERTY vi_msi_refs
  "      <ComponentRef Id=\"c_LocalProgramsFolder\"/>\n")
string(REGEX REPLACE "\n$" "" VI_MSI_TREE "${VI_MSI_TREE}")
get_property(VI_MSI_REFS GLOBAL PROPERTY vi_msi_refs)
string(REGEX REPLACE "\n$" "" VI_MSI_REFS "${VI_MSI_REFS}")

get_filename_component(VI_MSI_ICON ${base}.ico NAME)
file(COPY_FILE ${ICON} ${base}.ico)
configure_file(${CMAKE_CURRENT_LIST_DIR}/VantrelImport.wxs.in ${base}.wxs @ONLY)
file(REMOVE ${OUT})
execute_process(COMMAND ${VI_WIXL} --arch x64 --output ${OUT} ${base}.wxs
  WORKING_DIRECTORY ${dir} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "wixl failed (${rc}) on ${base}.wxs")
endif()
# What wixl 0.101 does not take from the source: the Startup shortcut's show command (minimised
# without activation) and the condition of its component.
foreach(query "UPDATE `Shortcut` SET `ShowCmd` = 7 WHERE `Shortcut` = 'StartupShortcut'"
              "UPDATE `Component` SET `Condition` = 'AUTOSTART = \"1\"' WHERE `Component` = 'StartupShortcut'")
  execute_process(COMMAND ${VI_MSIBUILD} ${OUT} -q "${query}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    file(REMOVE ${OUT})
    message(FATAL_ERROR "msibuild failed (${rc}) on ${OUT}: ${query}")
  endif()
endforeach()
