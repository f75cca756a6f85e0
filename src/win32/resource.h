#pragma once
// Resource and command identifiers of the Windows program.

#define IDI_TOBRIX 1

// Main window controls
#define IDC_LIST 100

// Main menu items with a check mark
#define IDM_HIDE 1002
#define IDM_SHARD 1003
#define IDM_TOPLOCK 1004
