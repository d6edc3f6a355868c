# The screen side: its arithmetic natively; the whole game under Wine.
kestra_native_test(game_screen_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/screen_layout_test.cpp
  LIBS kestra_game)

# The real game under Wine, played with real input. A screen larger than the window keeps the
# whole window visible for the screenshots.
kestra_wine_script(game_play SCRIPT ${CMAKE_CURRENT_LIST_DIR}/play_test.sh TIMEOUT 300
  ENV KESTRA_XVFB_SIZE=1920x1200x24)
kestra_wine_script(game_broken_assets SCRIPT ${CMAKE_CURRENT_LIST_DIR}/broken_assets_test.sh
  TIMEOUT 240 ENV KESTRA_XVFB_SIZE=1920x1200x24)
kestra_wine_script(game_soak SCRIPT ${CMAKE_CURRENT_LIST_DIR}/soak_test.sh TIMEOUT 420
  ENV KESTRA_XVFB_SIZE=1920x1200x24)
