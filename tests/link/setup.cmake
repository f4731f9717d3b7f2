# Serial setup dialog, with real widgets on Qt's offscreen platform and a pseudo-terminal.
if(VELMORANTE_GUI)
  add_executable(velmorante_setup_dialog_tests
    ${CMAKE_CURRENT_LIST_DIR}/SetupDialogTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/../widgets/QtTestMain.cpp)
  target_link_libraries(velmorante_setup_dialog_tests PRIVATE velmorante_link_ui GTest::gtest util)
  gtest_discover_tests(velmorante_setup_dialog_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 60 ENVIRONMENT "${VELMORANTE_TEST_ENV}")
endif()
