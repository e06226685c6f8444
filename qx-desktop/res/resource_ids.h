// Resource identifiers shared by the .rc file and the code that loads the resources.
#pragma once

#define IDI_APP 1
