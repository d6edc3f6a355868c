# Renderer tests: the portable bookkeeping natively, real frames under Wine.
kestra_native_test(render_core_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_core_test.cpp
  LIBS kestra_render_core)
