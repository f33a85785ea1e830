# The print dialog of report/ui (Qt widgets), behind the engine's print
# dialog service; its tests drive it on Qt's offscreen platform and take a
# screenshot under xvfb-run.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
tamblero_library(report_ui_print_dialog SOURCES
  ui/BRPrintDialog.cpp
  DEPS report_print platform_graphics Qt6::Widgets)

tamblero_tests(report_ui_print_dialog_tests LABEL report SOURCES
  ui/tests/PrintDialogTest.cpp
  print/tests/FakeDevice.cpp
  DEPS report_ui_print_dialog Qt6::Widgets
  ENV QT_QPA_PLATFORM=offscreen)

# Shows the dialog on a real X server and saves a screenshot of it.
add_executable(print_dialog_shot ui/tests/PrintDialogShot.cpp print/tests/FakeDevice.cpp)
target_link_libraries(print_dialog_shot PRIVATE report_ui_print_dialog Qt6::Widgets)
add_test(NAME report.print_dialog_screenshot
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/ui/tests/print_dialog_shot.sh $<TARGET_FILE:print_dialog_shot>
          ${CMAKE_BINARY_DIR}/print-dialog-shot)
set_tests_properties(report.print_dialog_screenshot PROPERTIES LABELS report TIMEOUT 120)
