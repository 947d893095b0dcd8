# qvview end to end: headless PNGs and bad input; a real window under Xvfb with a scripted drag.
add_test(NAME qvview_headless COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/apps/qvview-headless.sh $<TARGET_FILE:qvview>)
set_tests_properties(qvview_headless PROPERTIES LABELS "plain" TIMEOUT 300)
add_test(NAME qvview_window COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/apps/qvview-window.sh $<TARGET_FILE:qvview>)
set_tests_properties(qvview_window PROPERTIES LABELS "window" TIMEOUT 300)
add_test(NAME qvview_player COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/apps/qvview-player.sh $<TARGET_FILE:qvview>)
set_tests_properties(qvview_player PROPERTIES LABELS "window" TIMEOUT 300)
add_test(NAME qvaudio_paths COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/apps/qvaudio-paths.sh $<TARGET_FILE:qvaudio>)
set_tests_properties(qvaudio_paths PROPERTIES LABELS "plain" TIMEOUT 120)
add_test(NAME qvview_video COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/apps/qvview-video.sh $<TARGET_FILE:qvview>)
set_tests_properties(qvview_video PROPERTIES LABELS "plain" TIMEOUT 300)
add_test(NAME qvaudio COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/apps/qvaudio.sh $<TARGET_FILE:qvaudio>)
set_tests_properties(qvaudio PROPERTIES LABELS "plain" TIMEOUT 300)
add_test(NAME qvview_layout COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/apps/qvview-layout.sh $<TARGET_FILE:qvview>)
set_tests_properties(qvview_layout PROPERTIES LABELS "plain" TIMEOUT 300)
# The option parser of qvview, tested as a unit (tests/apps/OptionsTest.cpp).
target_sources(test_apps PRIVATE ${PROJECT_SOURCE_DIR}/apps/qvview/Options.cpp
                                 ${PROJECT_SOURCE_DIR}/apps/qvview/ViewList.cpp
                                 ${PROJECT_SOURCE_DIR}/apps/qvview/LayoutLine.cpp)
target_include_directories(test_apps PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(test_apps PRIVATE QV_VERSION="${PROJECT_VERSION}")
