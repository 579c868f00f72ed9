// The start-up report at the head of the activity view, once per run.
#pragma once

#include <string>

#include "core/Env.h"

namespace tavrel::modMain {

// The report text, or the empty text when the start-up-report marker is already set.
std::string StartupReport(Env& env);

}  // namespace tavrel::modMain
