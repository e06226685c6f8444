// Resource identifiers shared by the .rc file and the code that loads the resources.
#pragma once

#define IDI_APP 1

// Data documents (RCDATA), read at run time.
#define IDR_WORLD_JSON 101
#define IDR_TRANSLATIONS_JSON 102
