# The host programs in examples/, run as a host runs them; the README shows one of them verbatim.
set(QV_EXAMPLE_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/examples)
add_test(NAME example_render_views COMMAND ${QV_EXAMPLE_TESTS}/render-views.sh
                                           $<TARGET_FILE:example_render_views> $<TARGET_FILE:qvview>)
set_tests_properties(example_render_views PROPERTIES LABELS "plain" TIMEOUT 300)
add_test(NAME example_window COMMAND ${QV_EXAMPLE_TESTS}/window.sh $<TARGET_FILE:example_window>
                                     $<TARGET_FILE:qvview>)
set_tests_properties(example_window PROPERTIES LABELS "window" TIMEOUT 300)
add_test(NAME example_video COMMAND ${QV_EXAMPLE_TESTS}/video.sh $<TARGET_FILE:example_video>)
set_tests_properties(example_video PROPERTIES LABELS "window" TIMEOUT 300)
add_test(NAME readme_example COMMAND ${QV_EXAMPLE_TESTS}/readme-example.sh ${PROJECT_SOURCE_DIR})
set_tests_properties(readme_example PROPERTIES LABELS "plain" TIMEOUT 30)
