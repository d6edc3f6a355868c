# Renderer: kestra_render_core (portable bookkeeping: texture slots, buffer ids, constant ring
# classes, constant packing, samplers, matrix constants) and kestra_render (Windows, Direct3D 12).
set(_r ${CMAKE_CURRENT_LIST_DIR})
add_library(kestra_render_core STATIC
  ${_r}/texture_slots.cpp ${_r}/buffer_ids.cpp ${_r}/constant_ring_layout.cpp
  ${_r}/sampler_table.cpp ${_r}/shader_program.cpp ${_r}/mesh_handle.cpp)
target_link_libraries(kestra_render_core PUBLIC kestra_app kestra_options)
if(KESTRA_WINDOWS)
  target_sources(kestra_render_core PRIVATE ${_r}/shader_program_release_d3d12.cpp)
else()
  # Without Direct3D a program never holds shaders or pipeline states.
  target_sources(kestra_render_core PRIVATE ${_r}/shader_program_native.cpp)
endif()

if(KESTRA_WINDOWS)
  add_library(kestra_render STATIC
    ${_r}/renderer_d3d12.cpp ${_r}/frame_d3d12.cpp ${_r}/buffers_d3d12.cpp
    ${_r}/constant_ring_d3d12.cpp ${_r}/texture_d3d12.cpp ${_r}/shader_program_d3d12.cpp
    ${_r}/mesh_handle_d3d12.cpp)
  target_link_libraries(kestra_render PUBLIC kestra_render_core kestra_images kestra_mesh
    kestra_app kestra_options ${KESTRA_WIN_LIBS})
endif()
