/* The plug-in's version, written once: the plug-in information records, the
   check of a gateway's "RequiresVersion" and the DLL's version resource all
   take it from here (tests/shell/VersionResourceTest_win.cpp reads the
   resource back from the built DLL), and CMake reads it for the project. The resource
   compiler reads this file too, so it holds plain macros only. */
#ifndef PARLET_SHELL_VERSION_H
#define PARLET_SHELL_VERSION_H

#define PARLET_VERSION_MAJOR 0
#define PARLET_VERSION_MINOR 0
#define PARLET_VERSION_PATCH 0
#define PARLET_VERSION_BUILD 13

#define PARLET_VERSION_STRING_(x) #x
#define PARLET_VERSION_STRING(x) PARLET_VERSION_STRING_(x)
/* "0.0.0.13" */
#define PARLET_VERSION_TEXT                                                    \
    PARLET_VERSION_STRING(PARLET_VERSION_MAJOR)                                \
    "." PARLET_VERSION_STRING(PARLET_VERSION_MINOR) "." PARLET_VERSION_STRING( \
        PARLET_VERSION_PATCH) "." PARLET_VERSION_STRING(PARLET_VERSION_BUILD)
/* The texts of the DLL's version resource; the plug-in information record
   reports the same copyright line. */
#define PARLET_PRODUCT_NAME "Parlet"
#define PARLET_FILE_DESCRIPTION "Parlet: SMS through web providers for Miranda IM"
#define PARLET_COPYRIGHT "Copyright (C) 2026 The Parlet developers"
#define PARLET_DLL_NAME "parlet.dll"
/* The four parts packed, the first highest: 0x0000000D. */
#define PARLET_VERSION_NUMBER \
    ((PARLET_VERSION_MAJOR << 24) | (PARLET_VERSION_MINOR << 16) | (PARLET_VERSION_PATCH << 8) | PARLET_VERSION_BUILD)

#endif
