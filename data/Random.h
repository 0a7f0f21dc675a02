#pragma once

#include <QtGlobal>

// The one process-wide pseudo-random generator with a 32-bit state S. Drawing below n:
// S := S * 134775813 + 1 (mod 2^32), result = upper 32 bits of the 64-bit product S * n.
// The ball animation, the die and both draws share it.
namespace SharedRandom {
// 0 .. n-1; n <= 0 still advances the state and gives 0.
int random(int n);
// S := low 32 bits of the high-resolution counter of Clock::instance().
void randomize();
quint32 seed();
void setSeed(quint32 s);
} // namespace SharedRandom
