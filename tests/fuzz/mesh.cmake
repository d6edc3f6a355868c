# Fuzz targets (mesh): the binary .mesh reader, the JSON mesh reader and the glTF/GLB loader.
kestra_fuzz_target(mesh_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/mesh_fuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quiet_stdout.cpp
  LIBS kestra_mesh CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/mesh SECONDS 30)
kestra_fuzz_target(jsonmesh_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/jsonmesh_fuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quiet_stdout.cpp
  LIBS kestra_mesh CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/jsonmesh SECONDS 30)
kestra_fuzz_target(gltf_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/gltf_fuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quiet_stdout.cpp
  LIBS kestra_mesh CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/gltf SECONDS 30)
