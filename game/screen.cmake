# Game screen side and the kestra executable (Windows).
if(KESTRA_WINDOWS)
  add_executable(kestra WIN32 ${KESTRA_ROOT}/app/win_main.cpp ${KESTRA_ROOT}/app/app_window_win.cpp)
  target_link_libraries(kestra PRIVATE kestra_app kestra_crash_filter kestra_options ${KESTRA_WIN_LIBS})

  # The build folder runs as the game does on Windows: kestra.exe next to its data/ folder.
  add_custom_target(kestra_data ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${KESTRA_ROOT}/data ${CMAKE_BINARY_DIR}/data
    COMMENT "Copying data/ next to kestra.exe")
  add_dependencies(kestra kestra_data)
  set_target_properties(kestra PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()
