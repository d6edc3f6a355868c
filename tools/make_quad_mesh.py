#!/usr/bin/env python3
"""Writes data/Kestra/quad.mesh: the unit square every scene object draws.

Binary .mesh layout (little-endian, packed): u16 vertex format, u32 vertex count, u32 index
count, the interleaved f32 vertex slots, the u32 indices. Format 0 is x, y, z, u, v, r, g, b,
nx, ny, nz. The square runs counter-clockwise from the origin, its texture coordinates equal its
x and y, it is white and faces +z.
Usage: tools/make_quad_mesh.py [output path]
"""
import struct
import sys

FORMAT = 0
CORNERS = [(0.0, 0.0), (1.0, 0.0), (1.0, 1.0), (0.0, 1.0)]
INDICES = [0, 1, 2, 0, 2, 3]


def quad_mesh_bytes():
    out = struct.pack("<HII", FORMAT, len(CORNERS), len(INDICES))
    for x, y in CORNERS:
        out += struct.pack("<11f", x, y, 0.0, x, y, 1.0, 1.0, 1.0, 0.0, 0.0, 1.0)
    out += struct.pack("<%dI" % len(INDICES), *INDICES)
    return out


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "data/Kestra/quad.mesh"
    with open(path, "wb") as f:
        f.write(quad_mesh_bytes())


if __name__ == "__main__":
    main()
