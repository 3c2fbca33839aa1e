# Windows data-link dialog unit (COM: data links and the ADO connection).
if(WIN32)
  target_sources(vi_platform PRIVATE DataLinkDialog.h DataLinkDialog_win.cpp)
  target_link_libraries(vi_platform PUBLIC ole32 oleaut32 uuid)
endif()
