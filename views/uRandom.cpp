#include "uRandom.h"

#include <random>

namespace ProgramRandom {
namespace {
std::mt19937& Generator()
{
    static std::mt19937 generator;
    return generator;
}
} // namespace

int Random(int n)
{
    if (n <= 0)
        return 0;
    // The top of a 32-bit draw scaled to the range: the same numbers on every platform.
    return int((quint64(Generator()()) * quint64(n)) >> 32);
}

void Seed(quint32 seed)
{
    Generator().seed(seed);
}
} // namespace ProgramRandom
