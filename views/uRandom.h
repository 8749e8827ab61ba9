#pragma once

#include <QtGlobal>

// The program's pseudo-random numbers (demonstration data). The sequence is the same in every
// run unless someone seeds it; nothing in the program does, tests do.
namespace ProgramRandom {
// A whole number from 0 to n - 1, evenly spread; 0 when n is 0 or less.
int Random(int n);
void Seed(quint32 seed);
} // namespace ProgramRandom
