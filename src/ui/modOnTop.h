// Putting a window into and out of the topmost band.
#pragma once

#include "core/Env.h"

namespace tavrel::modOnTop {

void SetTopMost(Env& env, WindowHandle window);
void ClearTopMost(Env& env, WindowHandle window);

}  // namespace tavrel::modOnTop
