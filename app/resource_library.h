// Win32 only. The optional resource library: a module that lends the program its resources and
// nothing else.
#pragma once

#include <windows.h>

// LoadResourceLibrary
//   Loads a resource library for its resources only. The file is mapped as an image
//   resource and a data file, so none of its code runs: no entry point, no TLS callback,
//   no imports resolved, whatever the file holds. The name goes through the system's
//   ordinary library search, as with LoadLibrary.
//
//   fileName [in]  a bare file name such as "Res.dll" (a path is taken as it is).
//
//   Returns the module, which serves FindResource, LoadString, CreateDialogParam and
//   DialogBoxParam, LoadMenu and LoadImage (icons and bitmaps); null when the file is
//   absent or not a module. On failure the last error is the loader's, or
//   ERROR_INVALID_PARAMETER for a null or empty name. The caller releases the module
//   with FreeLibrary, or keeps it for the life of the process.
HMODULE LoadResourceLibrary(const char* fileName);
