// The built-in program's statements evaluated on the CPU in 32-bit floats,
// for comparing what Mesa draws with what the program says.
#pragma once

namespace reference {

struct Rgb {
  int r, g, b;
};

// The pixel whose centre is at (fragX, fragY) from the bottom left of a
// width x height frame at animation time `time` (the program's uniform:
// twice the seconds at Speed 1), clamped and rounded to 8 bits. False where
// the program is not well defined: a power with a base of zero or below and
// an exponent that is not clearly positive.
bool EvaluateBuiltInProgram(float fragX, float fragY, int width, int height, float time,
                            float distort, float mode, Rgb& out);

}  // namespace reference
