#pragma once
// Resource and command identifiers of the Windows program.

#define IDI_TOBRIX 1

// Main window controls
#define IDC_LIST 100
