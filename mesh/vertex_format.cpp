#include "mesh/vertex_format.h"

const VertexFormatTable kVertexFormats = {
    //  0   1  2  3   4   5  6  7  8  9  10 11  12
    {11, 8, 5, 3, 19, 16, 5, 7, 8, 6, 20, 5, 19},            // stride
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},                 // positionOffset
    {3, 3, 3, -1, 3, 3, 2, 2, 2, 3, 3, 2, 2},                // uvOffset
    {5, -1, -1, -1, 5, -1, 4, 4, 4, -1, 5, -1, 4},           // colorOffset
    {3, -1, -1, -1, 3, -1, 1, 3, 4, -1, 3, -1, 3},           // colorComponents
    {8, 5, -1, -1, 8, 5, -1, -1, -1, -1, 8, -1, 7},          // normalOffset
    {-1, -1, -1, -1, 11, 8, -1, -1, -1, -1, 11, -1, 10},     // jointsOffset
    {-1, -1, -1, -1, 15, 12, -1, -1, -1, -1, 15, -1, 14},    // weightsOffset
};

int32_t VertexFormatIndexSlot(int32_t format) {
  if (format < 9 || format > 12) return -1;
  return kVertexFormats.stride[format] - 1;
}
