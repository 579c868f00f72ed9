// windows.h for the program's Win32 code. windows.h names its A and W functions through macros
// (ReplaceFile stands for ReplaceFileA); those whose names the program's interfaces use as member
// names are undone here, so that a member keeps its name in every file. Include this instead of
// windows.h, before anything else.
#pragma once

// clang-format off
#include <winsock2.h>  // before windows.h, which would bring the old winsock.h
#include <windows.h>
#include <ras.h>
// clang-format on

#undef GetPrivateProfileString
#undef WritePrivateProfileString
#undef ReplaceFile
#undef RasDial
#undef RasEnumEntries
#undef RasGetEntryDialParams
