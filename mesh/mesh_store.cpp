#include "mesh/mesh_store.h"

MeshStore gMeshStore;
