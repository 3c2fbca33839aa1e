#pragma once
// The ODBC API declarations. Windows' <sql.h> relies on the base types of <windows.h>, which
// it does not include itself; unixODBC's headers stand alone.

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>
