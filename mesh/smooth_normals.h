#pragma once
// Smooth vertex normals: each vertex gets the normalised sum of the unit face normals of the
// triangles that use it, summed in triangle order; a vertex no triangle uses gets (0, 0, 1).
#include "mesh/mesh_store.h"

// Writes a normal into every whole vertex at the format's normal slots. Returns false and
// writes nothing when the format has no normal or an index of a whole triangle is out of
// range; a trailing partial triangle is ignored.
bool ComputeSmoothNormals(MeshStore* store);
// The same on the global store.
void ComputeSmoothNormals();
