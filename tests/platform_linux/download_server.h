// The download tests' HTTP server on 127.0.0.1: the one the contracts use on both platforms.
#pragma once

#include "contracts/http_server.h"
