# The portable archive and the user install, run from a throwaway HOME on a virtual display.
if(NOT WIN32)
  add_test(NAME test_install_user
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/test_install_user.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(test_install_user PROPERTIES TIMEOUT 180)
endif()
