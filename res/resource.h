#pragma once
// Resource identifiers shared by the .rc file and the code.
#define IDI_FERRIK 1
