#pragma once
// windows.h without the macros that would rename this project's own functions of the same
// names (DebugOutput::OutputDebugString, FileDialog::GetOpenFileName).

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef OutputDebugString
#undef GetOpenFileName
