#include "app/math.h"

#include <cmath>

Mat4 IdentityMat4() {
  Mat4 r = {};
  r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
  return r;
}

void MultiplyMat4(const Mat4& a, const Mat4& b, Mat4* out) {
  // Read both inputs whole before writing: out may alias either.
  Mat4 result;
  for (int i = 0; i < 4; ++i) {
    const float* bi = &b.m[4 * i];
    for (int j = 0; j < 4; ++j) {
      result.m[4 * i + j] = bi[0] * a.m[j] + bi[1] * a.m[4 + j] + bi[2] * a.m[8 + j] +
                            bi[3] * a.m[12 + j];
    }
  }
  *out = result;
}

void QuatToMat3(const Quat& q, float* d) {
  float x = q.x, y = q.y, z = q.z, w = q.w;
  d[0] = 1 - 2 * y * y - 2 * z * z;
  d[1] = 2 * x * y + 2 * z * w;
  d[2] = 2 * x * z - 2 * y * w;
  d[4] = 2 * x * y - 2 * z * w;
  d[5] = 1 - 2 * x * x - 2 * z * z;
  d[6] = 2 * y * z + 2 * x * w;
  d[8] = 2 * x * z + 2 * y * w;
  d[9] = 2 * y * z - 2 * x * w;
  d[10] = 1 - 2 * x * x - 2 * y * y;
}

void Mat3ToQuat(const Mat3& mat, Quat* out) {
  auto m = [&](int r, int c) { return mat.m[3 * r + c]; };
  float q[4];  // x, y, z, w
  float t = m(0, 0) + m(1, 1) + m(2, 2);
  if (t > 0) {
    float s = std::sqrt(t + 1.0f);
    q[3] = 0.5f * s;
    float f = 0.5f / s;
    q[0] = (m(1, 2) - m(2, 1)) * f;
    q[1] = (m(2, 0) - m(0, 2)) * f;
    q[2] = (m(0, 1) - m(1, 0)) * f;
  } else {
    static const int next[3] = {1, 2, 0};
    int i = m(1, 1) > m(0, 0) ? 1 : 0;
    if (m(2, 2) > m(i, i)) i = 2;
    int j = next[i];
    int k = next[j];
    float s = std::sqrt(m(i, i) - (m(k, k) + m(j, j)) + 1.0f);
    q[i] = 0.5f * s;
    float f = s != 0.0f ? 0.5f / s : 0.0f;
    q[3] = (m(j, k) - m(k, j)) * f;
    q[j] = (m(j, i) + m(i, j)) * f;
    q[k] = (m(k, i) + m(i, k)) * f;
  }
  float len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  out->x = q[0] / len;
  out->y = q[1] / len;
  out->z = q[2] / len;
  out->w = q[3] / len;
}

void InvertMat3(const Mat3& m, Mat3* out) {
  float a = m.m[0], b = m.m[1], c = m.m[2];
  float d = m.m[3], e = m.m[4], f = m.m[5];
  float g = m.m[6], h = m.m[7], i = m.m[8];
  float det = a * e * i + b * f * g + c * d * h - (c * e * g + a * f * h + b * d * i);
  if (det == 0.0f) return;
  float r = 1.0f / det;
  Mat3 inv = {{r * (e * i - f * h), r * (c * h - b * i), r * (b * f - c * e),
               r * (f * g - d * i), r * (a * i - c * g), r * (c * d - a * f),
               r * (d * h - e * g), r * (b * g - a * h), r * (a * e - b * d)}};
  *out = inv;
}

void RotateVec3ByQuat(const Quat& q, Vec3* v) {
  float n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  float cx = -q.x / n, cy = -q.y / n, cz = -q.z / n, cw = q.w / n;
  // p = q * (v, 0)
  float px = q.w * v->x + (q.y * v->z - q.z * v->y);
  float py = q.w * v->y + (q.z * v->x - q.x * v->z);
  float pz = q.w * v->z + (q.x * v->y - q.y * v->x);
  float pw = -(q.x * v->x + q.y * v->y + q.z * v->z);
  // vector part of p * c (Hamilton product)
  v->x = pw * cx + px * cw + py * cz - pz * cy;
  v->y = pw * cy - px * cz + py * cw + pz * cx;
  v->z = pw * cz + px * cy - py * cx + pz * cw;
}

void ComposeTrsMat4(const Transform& t, Mat4* m) {
  Mat4 r = IdentityMat4();
  QuatToMat3(t.rotation, r.m);
  // S * R scales row r of R by scale r; then T adds the translation row.
  Mat4 local = r;
  const float s[3] = {t.scale.x, t.scale.y, t.scale.z};
  for (int row = 0; row < 3; ++row)
    for (int c = 0; c < 3; ++c) local.m[4 * row + c] *= s[row];
  local.m[12] = t.translation.x;
  local.m[13] = t.translation.y;
  local.m[14] = t.translation.z;
  Mat4 incoming = *m;
  MultiplyMat4(incoming, local, m);
}

void DecomposeTrsMat4(Transform* t, const Mat4& m) {
  t->translation = {m.m[12], m.m[13], m.m[14]};
  float s[3];
  for (int r = 0; r < 3; ++r) {
    const float* row = &m.m[4 * r];
    s[r] = std::sqrt(row[0] * row[0] + row[1] * row[1] + row[2] * row[2]);
  }
  t->scale = {s[0], s[1], s[2]};
  Mat3 rot;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) rot.m[3 * r + c] = m.m[4 * r + c] / s[r];
  Mat3ToQuat(rot, &t->rotation);
}
