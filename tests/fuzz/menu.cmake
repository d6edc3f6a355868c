# Fuzz target (game): menu.json text of any shape into the dialogue loader, then buying.
kestra_fuzz_target(menu_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/menu_fuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quiet_stdout.cpp
  LIBS kestra_game CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/menu SECONDS 30)
