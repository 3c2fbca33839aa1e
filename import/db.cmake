# SQL Server layer over ODBC.
target_sources(vi_import PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/OdbcHeaders.h
  ${CMAKE_CURRENT_LIST_DIR}/OdbcApi.h ${CMAKE_CURRENT_LIST_DIR}/OdbcApi.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ConnectionString.h ${CMAKE_CURRENT_LIST_DIR}/ConnectionString.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ParamMarkers.h ${CMAKE_CURRENT_LIST_DIR}/ParamMarkers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FieldKinds.h ${CMAKE_CURRENT_LIST_DIR}/FieldKinds.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ADOConnectionMSSQL.h ${CMAKE_CURRENT_LIST_DIR}/ADOConnectionMSSQL.cpp)
