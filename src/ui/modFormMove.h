// Moving a window that has no title bar by pressing the mouse on its body.
#pragma once

#include "activity/ActivityText.h"
#include "core/Env.h"

namespace tavrel::modFormMove {

// Starts the window manager's own move of the window, as a press on its caption would, and returns
// when the user lets go. Nothing fails out of it: what went wrong is described, in upper case, at
// the end of the activity view; when nothing did, the view is left as it was.
void DragForm(Env& env, WindowHandle window, ActivityText& txtConnection);

}  // namespace tavrel::modFormMove
