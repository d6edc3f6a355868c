// Math: products in the row-vector convention, quaternion/matrix round trips and the transform
// compose/decompose pair. Tolerances: 1e-5 for values of order 1 (single precision).
#include <gtest/gtest.h>

#include <cmath>

#include "app/math.h"

namespace {

constexpr float kTol = 1e-5f;
constexpr float kPi = 3.14159265358979f;

Quat AxisAngle(Vec3 axis, float radians) {
  float len = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
  float s = std::sin(radians / 2) / len;
  return {axis.x * s, axis.y * s, axis.z * s, std::cos(radians / 2)};
}

Vec3 TransformPoint(const Mat4& m, Vec3 p) {
  return {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12],
          p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
          p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}

void ExpectVec3Near(Vec3 a, Vec3 b, float tol = kTol) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

// q and -q are the same rotation.
void ExpectSameRotation(Quat a, Quat b) {
  float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
  EXPECT_NEAR(std::fabs(dot), 1.0f, 1e-5f);
}

Mat3 UpperMat3(const Mat4& m) {
  Mat3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[3 * i + j] = m.m[4 * i + j];
  return r;
}

}  // namespace

TEST(MatrixProduct, AppliesTheSecondArgumentFirstForRowVectors) {
  Transform move = {{5, 0, 0}, {1, 1, 1}, {0, 0, 0, 1}};
  Transform turn = {{0, 0, 0}, {1, 1, 1}, AxisAngle({0, 0, 1}, kPi / 2)};
  Mat4 a = IdentityMat4(), b = IdentityMat4(), out;
  ComposeTrsMat4(turn, &a);
  ComposeTrsMat4(move, &b);
  // out = b * a: move by 5 on x first, then turn 90 degrees about z: (1,0,0) -> (6,0,0) -> (0,6,0).
  MultiplyMat4(a, b, &out);
  ExpectVec3Near(TransformPoint(out, {1, 0, 0}), {0, 6, 0});
}

TEST(MatrixProduct, MayWriteOverItsInput) {
  Mat4 a = IdentityMat4();
  a.m[12] = 2;
  Mat4 b = IdentityMat4();
  b.m[13] = 3;
  MultiplyMat4(a, b, &a);
  EXPECT_EQ(a.m[12], 2.0f);
  EXPECT_EQ(a.m[13], 3.0f);
}

TEST(Transform, TranslationSitsInTheFourthRow) {
  Transform t = {{1, 2, 3}, {1, 1, 1}, {0, 0, 0, 1}};
  Mat4 m = IdentityMat4();
  ComposeTrsMat4(t, &m);
  Mat4 expected = IdentityMat4();
  expected.m[12] = 1;
  expected.m[13] = 2;
  expected.m[14] = 3;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], expected.m[i]) << "index " << i;
}

TEST(Transform, ScalesThenRotatesThenMoves) {
  Transform t = {{10, 0, 0}, {2, 2, 2}, AxisAngle({0, 0, 1}, kPi / 2)};
  Mat4 m = IdentityMat4();
  ComposeTrsMat4(t, &m);
  ExpectVec3Near(TransformPoint(m, {1, 0, 0}), {10, 2, 0});
}

TEST(Transform, DecomposeReturnsWhatComposeBuilt) {
  const Transform cases[] = {
      {{1, -2, 3}, {1, 2, 3}, AxisAngle({1, 1, 0}, 0.7f)},
      {{0, 0, 0}, {0.5f, 0.5f, 4}, AxisAngle({0, 1, 0}, kPi)},  // trace -1 branch
      {{-7, 8, 9}, {1, 1, 1}, AxisAngle({1, 2, 3}, 2.5f)},
  };
  for (const Transform& t : cases) {
    Mat4 m = IdentityMat4();
    ComposeTrsMat4(t, &m);
    Transform back;
    DecomposeTrsMat4(&back, m);
    ExpectVec3Near(back.translation, t.translation);
    ExpectVec3Near(back.scale, t.scale);
    ExpectSameRotation(back.rotation, t.rotation);
  }
}

TEST(Quaternion, MatrixRoundTripGivesTheQuaternionOrItsNegation) {
  const Quat cases[] = {
      {0, 0, 0, 1},
      AxisAngle({1, 0, 0}, kPi),  // 180 degree turns go through the largest-diagonal branch
      AxisAngle({0, 1, 0}, kPi),
      AxisAngle({0, 0, 1}, kPi),
      AxisAngle({1, 1, 1}, kPi),
      AxisAngle({0.3f, -0.5f, 0.8f}, 1.1f),
      AxisAngle({-1, 0.2f, 0.1f}, 3.0f),
  };
  for (const Quat& q : cases) {
    Mat4 m = IdentityMat4();
    QuatToMat3(q, m.m);
    Quat back;
    Mat3ToQuat(UpperMat3(m), &back);
    ExpectSameRotation(back, q);
  }
}

TEST(Quaternion, QuatToMat3LeavesTheRestOfTheMatrixAlone) {
  Mat4 m;
  for (float& v : m.m) v = 42.0f;
  QuatToMat3({0, 0, 0, 1}, m.m);
  for (int i : {3, 7, 11, 12, 13, 14, 15}) EXPECT_EQ(m.m[i], 42.0f);
  EXPECT_EQ(m.m[0], 1.0f);
  EXPECT_EQ(m.m[1], 0.0f);
}

TEST(Quaternion, RotatesKnownAngles) {
  Vec3 v = {1, 0, 0};
  RotateVec3ByQuat(AxisAngle({0, 0, 1}, kPi / 2), &v);
  ExpectVec3Near(v, {0, 1, 0});
  v = {0, 1, 0};
  RotateVec3ByQuat(AxisAngle({1, 0, 0}, kPi), &v);
  ExpectVec3Near(v, {0, -1, 0});
  v = {1, 2, 3};
  RotateVec3ByQuat(AxisAngle({0.2f, 0.9f, -0.4f}, 1.3f), &v);
  EXPECT_NEAR(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), std::sqrt(14.0f), kTol);
}

TEST(Quaternion, RotationAgreesWithTheMatrix) {
  Quat q = AxisAngle({0.4f, -0.2f, 0.7f}, 0.9f);
  Mat4 m = IdentityMat4();
  QuatToMat3(q, m.m);
  Vec3 v = {0.5f, -1.5f, 2.0f};
  Vec3 byMatrix = TransformPoint(m, v);
  RotateVec3ByQuat(q, &v);
  ExpectVec3Near(v, byMatrix);
}

TEST(Quaternion, NonUnitQuaternionScalesByItsLength) {
  Vec3 v = {1, -2, 3};
  RotateVec3ByQuat({0, 0, 0, 2}, &v);
  ExpectVec3Near(v, {2, -4, 6});
}

TEST(Inverse, InverseTimesMatrixIsIdentity) {
  Transform t = {{0, 0, 0}, {2, 3, 0.5f}, AxisAngle({1, -1, 2}, 0.8f)};
  Mat4 m4 = IdentityMat4();
  ComposeTrsMat4(t, &m4);
  Mat3 m = UpperMat3(m4), inv;
  InvertMat3(m, &inv);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      float sum = 0;
      for (int k = 0; k < 3; ++k) sum += inv.m[3 * r + k] * m.m[3 * k + c];
      EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, kTol);
    }
}

TEST(Inverse, InPlaceAndSingular) {
  Mat3 m = {{2, 0, 0, 0, 4, 0, 0, 0, 8}};
  InvertMat3(m, &m);
  EXPECT_FLOAT_EQ(m.m[0], 0.5f);
  EXPECT_FLOAT_EQ(m.m[4], 0.25f);
  EXPECT_FLOAT_EQ(m.m[8], 0.125f);

  Mat3 singular = {{1, 2, 3, 2, 4, 6, 0, 1, 1}};
  Mat3 out = {{9, 9, 9, 9, 9, 9, 9, 9, 9}};
  InvertMat3(singular, &out);
  for (float v : out.m) EXPECT_EQ(v, 9.0f);
}
