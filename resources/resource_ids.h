// Identifiers of the pictures compiled into the program.
#pragma once

#define IDI_PLENKIT 1
#define IDI_VERSION 2
#define IDB_EXTRACT_EACH 101
#define IDB_EXTRACT_ONE 102
#define IDB_EXTRACT_HERE 103
#define IDB_SHOW_LIST 104
#define IDB_REMOVE 105
#define IDB_VERSION 106
#define IDB_HELP 107
#define IDB_EXIT 108
#define IDB_ENTRY_EXTRACT 109
#define IDB_ENTRY_SHOW 110
#define IDB_CLOSE 111
