# SQL Server layer over ODBC.
target_sources(vi_import PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/OdbcHeaders.h
  ${CMAKE_CURRENT_LIST_DIR}/OdbcApi.h ${CMAKE_CURRENT_LIST_DIR}/OdbcApi.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ConnectionString.h ${CMAKE_CURRENT_LIST_DIR}/ConnectionString.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OleDbSyntax.h ${CMAKE_CURRENT_LIST_DIR}/OleDbSyntax.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OdbcSyntax.h ${CMAKE_CURRENT_LIST_DIR}/OdbcSyntax.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SqlServerDriverChoice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SqlServerProviderTranslation.h
  ${CMAKE_CURRENT_LIST_DIR}/SqlServerProviderTranslation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OdbcProviderTranslation.h
  ${CMAKE_CURRENT_LIST_DIR}/OdbcProviderTranslation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataSourceDriver.h ${CMAKE_CURRENT_LIST_DIR}/DataSourceDriver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ParamMarkers.h ${CMAKE_CURRENT_LIST_DIR}/ParamMarkers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FieldKinds.h ${CMAKE_CURRENT_LIST_DIR}/FieldKinds.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatementCancel.h ${CMAKE_CURRENT_LIST_DIR}/StatementCancel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ADOConnectionMSSQL.h ${CMAKE_CURRENT_LIST_DIR}/ADOConnectionMSSQL.cpp)
target_sources(vi_import PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ConnectionKeywords.h ${CMAKE_CURRENT_LIST_DIR}/ConnectionKeywords.cpp)
target_sources(vi_import PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SqlBrowser.h ${CMAKE_CURRENT_LIST_DIR}/SqlBrowser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SocketAddress.h)
# The data sources' drivers are read through the installer library: odbcinst with unixODBC,
# odbccp32 on Windows (FindODBC names it only for some compilers).
if(WIN32)
  target_link_libraries(vi_import PRIVATE odbccp32)
else()
  find_library(VI_ODBCINST_LIBRARY odbcinst REQUIRED)
  target_link_libraries(vi_import PRIVATE ${VI_ODBCINST_LIBRARY})
endif()
if(WIN32)
  target_sources(vi_import PRIVATE ${CMAKE_CURRENT_LIST_DIR}/SqlBrowser_win.cpp)
  target_link_libraries(vi_import PRIVATE ws2_32)
else()
  target_sources(vi_import PRIVATE ${CMAKE_CURRENT_LIST_DIR}/SqlBrowser_posix.cpp)
endif()
