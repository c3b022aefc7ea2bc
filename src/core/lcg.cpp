// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/lcg.h"

Lcg& ProgramRandom()
{
    static Lcg sequence;
    return sequence;
}
