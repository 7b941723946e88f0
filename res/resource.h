// Resource and control identifiers, shared by the .rc files and the code.
#pragma once

#define IDI_APP 1
#define IDB_LOGO 100

#define IDC_STATIC_TEXT -1
