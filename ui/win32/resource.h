// Resource numbers of the windows program (shared by the resource script and
// the code).
#pragma once

#define IDI_TALLYQUEST 1
#define IDI_INFO 2
#define IDB_LOGO 3
