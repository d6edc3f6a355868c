# Game rules tests.
set(_t ${CMAKE_CURRENT_LIST_DIR})
kestra_native_test(game_logic_tests
  SOURCES ${_t}/dialogue_test.cpp ${_t}/text_format_test.cpp ${_t}/fight_test.cpp
    ${_t}/glyphs_test.cpp
  LIBS kestra_game)
# Its own executable: it replaces the global allocator to count allocations.
kestra_native_test(game_update_alloc_tests SOURCES ${_t}/update_alloc_test.cpp LIBS kestra_game)
