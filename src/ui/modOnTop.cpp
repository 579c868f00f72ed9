#include "ui/modOnTop.h"

namespace tavrel::modOnTop {

void SetTopMost(Env& env, WindowHandle window) { env.wm.SetTopMost(window); }
void ClearTopMost(Env& env, WindowHandle window) { env.wm.ClearTopMost(window); }

}  // namespace tavrel::modOnTop
