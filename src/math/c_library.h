// The C library's sine, cosine and power of floats, out of line, so that every path that needs
// them (a run in vector lanes lane by lane, one point at a time) takes them from the same code and
// gets the same bits.
#pragma once

namespace brumo {

void sineAndCosine(float x, float& sine, float& cosine);
float sine(float x);
float power(float x, float y);

}  // namespace brumo
