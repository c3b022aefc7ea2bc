#include "core/lcg.h"

Lcg& ProgramRandom()
{
    static Lcg sequence;
    return sequence;
}
