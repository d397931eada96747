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

// LoadProgramResourceLibrary
//   The program's resource library, loaded as LoadResourceLibrary loads one: "Res.dll"
//   by the ordinary library search (so one beside the program comes first); else
//   Res.dll in the first of the program's language folders, beside kestrava.exe, that
//   holds a loadable one. The folders are those of the user's display languages
//   (GetUserPreferredUILanguages), most preferred first, each by its whole name and
//   then its parents ("fr-CA", then "fr"), up to the first English one
//   (app/language_folders.h). A file that is no module is passed over.
//
//   Returns the module, or null when there is none (the program keeps its own
//   resources); on failure the last error is the last loader's.
HMODULE LoadProgramResourceLibrary();
