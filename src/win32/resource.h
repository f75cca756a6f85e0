#pragma once
// Resource and command identifiers of the Windows program.

#define IDI_TOBRIX 1
// The commands' images, in the order of their image numbers (cmd00.ico ...).
#define IDI_COMMAND_FIRST 200

// Main window controls
#define IDC_LIST 100
#define IDC_SEARCH 101
#define IDC_SEARCH_COUNT 102
#define IDC_LOCKED 103
#define IDC_UNLOCK 104

// The text-preview open dialog's panel (TextOpenDialog.rc, template "ENHDLG1")
#define IDC_PREVIEW_CHECK 1300
#define IDC_PREVIEW_TEXT 1301
