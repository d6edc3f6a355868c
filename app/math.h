#pragma once
// Vector, matrix and quaternion math shared by the renderer and the model readers.
// Matrices are row-major 4x4 floats used with row vectors: p' = p * M, translation in the fourth
// row (indices 12, 13, 14). A * B applies A first; a child's world matrix is local * parent.
// Quaternions are stored x, y, z, w.

struct Vec2 {
  float x, y;
};

struct Vec3 {
  float x, y, z;
};

struct Quat {
  float x, y, z, w;
};

struct Mat3 {
  float m[9];  // element (r, c) at 3r + c
};

struct Mat4 {
  float m[16];  // element (r, c) at 4r + c
};

struct Transform {
  Vec3 translation;
  Vec3 scale;
  Quat rotation;
};

Mat4 IdentityMat4();

// out = b * a (row i of out is row i of b weighting the rows of a): with row vectors, b then a.
void MultiplyMat4(const Mat4& a, const Mat4& b, Mat4* out);
// Writes the rotation of q (not normalised) into the upper-left 3x3 of a Mat4-shaped array
// (indices 0-2, 4-6, 8-10); the other elements are left as they were.
void QuatToMat3(const Quat& q, float* mat4Destination);
void Mat3ToQuat(const Mat3& m, Quat* q);
// out may be m; out is untouched when the determinant is exactly 0.
void InvertMat3(const Mat3& m, Mat3* out);
void RotateVec3ByQuat(const Quat& q, Vec3* v);
// m becomes S * R * T * m.
void ComposeTrsMat4(const Transform& t, Mat4* m);
void DecomposeTrsMat4(Transform* t, const Mat4& m);
