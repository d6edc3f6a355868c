# Fuzz targets (text): LayoutText over arbitrary code points, boxes, modes and atlas sizes.
kestra_fuzz_target(layout_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/layout_fuzz.cpp
  LIBS kestra_text CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/layout SECONDS 30)
if(TARGET layout_fuzz)
  # The fuzzer runs in its build folder; the font is read from the source tree.
  target_compile_definitions(layout_fuzz PRIVATE KESTRA_SOURCE_ROOT="${KESTRA_ROOT}")
endif()
