#pragma once
// The JSON mesh file: {"model": {"vertices": [{"x","y","z"}], "uvs": [{"u","v"}],
// "colors": [{"r","g","b"}], "indices": [{"a","b","c"}], "normals": [{"x","y","z"}]}}.
// It names no format: the data goes into the store's current format; attributes that format
// lacks are skipped. Without "normals" the mesh gets smooth normals.
#include <cstddef>

#include "mesh/mesh_store.h"

// Text need not be 0-terminated. Refused whole (false, one report line, store untouched) when
// the text does not parse, has no "model" object, holds a value of the wrong JSON type, has more
// uvs, colours or normals than vertices, or an index past the vertices.
bool ReadJsonMesh(const char* text, size_t length, MeshStore* store);
bool LoadJsonMeshFile(const char* path, MeshStore* store);
