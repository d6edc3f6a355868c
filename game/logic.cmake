# Game rules: library kestra_game (portable: the same rules in the game and in native tests).
set(_g ${CMAKE_CURRENT_LIST_DIR})
add_library(kestra_game STATIC
  ${_g}/game.cpp ${_g}/dialogue.cpp ${_g}/text_format.cpp ${_g}/update.cpp)
target_link_libraries(kestra_game PUBLIC kestra_app kestra_audio kestra_render_core kestra_options)
if(TARGET kestra_text)
  # Baking the glyph list needs the atlas and the layout.
  target_sources(kestra_game PRIVATE ${_g}/glyphs.cpp)
  target_link_libraries(kestra_game PUBLIC kestra_text)
endif()

if(NOT KESTRA_WINDOWS)
  # Regenerates data/Kestra/uniqueChars.txt from the dialogue (run from the repository root).
  add_executable(kestra_unique_chars ${KESTRA_ROOT}/tools/make_unique_chars.cpp)
  target_link_libraries(kestra_unique_chars PRIVATE kestra_game)
endif()
if(KESTRA_SANITIZE)
  # RapidJSON 1.1's parse stack adds to a null pointer on its first push (its own arithmetic,
  # not ours); every other check stays on.
  set_source_files_properties(${_g}/dialogue.cpp PROPERTIES COMPILE_OPTIONS -fno-sanitize=pointer-overflow)
endif()

# The update benchmark (native builds with Google Benchmark installed; not a test).
if(NOT KESTRA_WINDOWS AND NOT KESTRA_SANITIZE)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    add_executable(bench_game ${KESTRA_ROOT}/tools/bench_game.cpp)
    target_link_libraries(bench_game PRIVATE kestra_game kestra_options benchmark::benchmark)
  endif()
endif()
