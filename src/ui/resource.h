// Resource IDs shared by Tolvane.rc and the code. Plain macros: the resource
// compiler reads this file too.
#pragma once

#define IDI_TOLVANE 1
#define IDB_IMAGE1 101
