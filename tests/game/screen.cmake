# The screen side: its arithmetic natively; the whole game under Wine.
kestra_native_test(game_screen_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/screen_layout_test.cpp
  LIBS kestra_game)
