# Game screen side and the kestra executable (Windows). The screen arithmetic and the enemies'
# drawing order are portable and go into the game's library, so they are tested natively.
target_sources(kestra_game PRIVATE ${CMAKE_CURRENT_LIST_DIR}/screen_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/draw_order.cpp)

if(KESTRA_WINDOWS)
  add_library(kestra_game_screen STATIC ${CMAKE_CURRENT_LIST_DIR}/game_draw_d3d12.cpp
    ${CMAKE_CURRENT_LIST_DIR}/game_text_d3d12.cpp ${CMAKE_CURRENT_LIST_DIR}/game_init_d3d12.cpp
    ${CMAKE_CURRENT_LIST_DIR}/game_main_d3d12.cpp)
  target_link_libraries(kestra_game_screen PUBLIC kestra_game kestra_text_gpu kestra_mesh_gpu
    kestra_render kestra_options)

  add_executable(kestra WIN32 ${KESTRA_ROOT}/app/win_main.cpp)
  target_link_libraries(kestra PRIVATE kestra_game_screen kestra_app kestra_crash_filter
    kestra_options ${KESTRA_WIN_LIBS})

  # The build folder runs as the game does on Windows: kestra.exe next to its data/ folder.
  add_custom_target(kestra_data ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${KESTRA_ROOT}/data ${CMAKE_BINARY_DIR}/data
    COMMENT "Copying data/ next to kestra.exe")
  add_dependencies(kestra kestra_data)
  set_target_properties(kestra PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()
