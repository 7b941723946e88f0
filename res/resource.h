// Resource and control identifiers, shared by the .rc files and the code.
#pragma once

#define IDI_APP 1
#define IDB_LOGO 100
#define IDB_LOGO_2X 101

#define IDC_STATIC_TEXT -1

// Message boxes: one template per box, the same controls in each.
#define IDD_MSG_OK 200
#define IDD_MSG_YESNO 201
#define IDD_MSG_YESNOCANCEL 202
#define IDC_MSG_FRAME 1000
#define IDC_MSG_ICON 1001
#define IDC_MSG_TEXT 1002

// Captions of the information box by kind (resource strings, translated when loaded).
#define IDS_MSG_WARNING 100
#define IDS_MSG_ERROR 101
#define IDS_MSG_INFORMATION 102
#define IDS_MSG_CONFIRM 103

// The command-line help window; its button is IDOK.
#define IDC_CMDHELP_LINK 1010
