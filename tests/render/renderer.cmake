# Renderer tests: the portable bookkeeping natively, real frames under Wine.
kestra_native_test(render_core_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_core_test.cpp
  LIBS kestra_render_core)
kestra_win_test(renderer_win_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/renderer_win_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_capture_win.cpp
  LIBS kestra_render ${KESTRA_PNG_LIBS} ${KESTRA_WIN_LIBS} TIMEOUT 180)
