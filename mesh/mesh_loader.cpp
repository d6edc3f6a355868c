#include "mesh/mesh_loader.h"

#include <cstring>

#include "app/report.h"
#include "mesh/binary_mesh.h"
#include "mesh/gltf_load.h"
#include "mesh/json_mesh.h"

MeshReader PickMeshReader(const char* path) {
  if (std::strstr(path, ".json")) return MeshReader::kJson;
  if (std::strstr(path, ".mesh")) return MeshReader::kBinary;
  if (std::strstr(path, ".gltf")) return MeshReader::kGltf;
  if (std::strstr(path, ".glb")) return MeshReader::kGlb;
  return MeshReader::kNone;
}

bool LoadMeshFile(const char* path, MeshStore* store) {
  switch (PickMeshReader(path)) {
    case MeshReader::kJson: return LoadJsonMeshFile(path, store);
    case MeshReader::kBinary: return LoadBinaryMeshFile(path, store);
    case MeshReader::kGltf: return LoadGltfMeshFile(path, store);
    case MeshReader::kGlb: return LoadGlbMeshFile(path, store);
    case MeshReader::kNone: break;
  }
  Report("mesh: no reader for %s", path);
  return false;
}

bool LoadBinaryMesh() { return LoadBinaryMeshFile(kQuadMeshPath, &gMeshStore); }
bool LoadJsonMesh() { return LoadJsonMeshFile(kQuadMeshPath, &gMeshStore); }
bool LoadGltfMesh() { return LoadGltfMeshFile(kQuadMeshPath, &gMeshStore); }
bool LoadGlbMesh() { return LoadGlbMeshFile(kQuadMeshPath, &gMeshStore); }
void LoadMesh() { LoadMeshFile(kQuadMeshPath, &gMeshStore); }
