// Resource and control identifiers, shared by the .rc files and the code.
#pragma once


// Icons (res/icons.rc). The program icon and the twenty toolbar icons go by name ("MAINICON",
// "_ICO_SAVE", ...); these go by number. The tree and status images are numbered in image-list
// order, so image i of a list is the first identifier plus i.
#define IDI_TREE_STRING 300
#define IDI_TREE_EXPANDSTRING 301
#define IDI_TREE_READONLY 302
#define IDI_TREE_ERROR 303
#define IDI_TREE_EXCLUDED 304
#define IDI_TREE_COUNT 5

#define IDI_STATUS_MODIFIED 310
#define IDI_STATUS_CDMODE 311
#define IDI_STATUS_PORTABLE 312
#define IDI_STATUS_SAVING 313
#define IDI_STATUS_NOWRITE 314
#define IDI_STATUS_CHECKING 315
#define IDI_STATUS_LATEST 316
#define IDI_STATUS_UPDATEFAILED 317
#define IDI_STATUS_COUNT 8

#define IDI_PANEL_SYSTEM 320
#define IDI_PANEL_USER 321
#define IDI_PANEL_COLLAPSE 322
#define IDI_PANEL_EXPAND 323
#define IDI_TAB_INSPECTOR 324
#define IDI_TAB_LEGEND 325

// The toolbar icons greyed out, for buttons whose command is not available: the same order,
// so disabled image i is the first identifier plus i.
#define IDI_TOOLBAR_DISABLED_SAVE 3400
#define IDI_TOOLBAR_DISABLED_UNDO 3401
#define IDI_TOOLBAR_DISABLED_REDO 3402
#define IDI_TOOLBAR_DISABLED_COPY 3403
#define IDI_TOOLBAR_DISABLED_PASTE 3404
#define IDI_TOOLBAR_DISABLED_DELETE 3405
#define IDI_TOOLBAR_DISABLED_ADD 3406
#define IDI_TOOLBAR_DISABLED_ADDVALUE 3407
#define IDI_TOOLBAR_DISABLED_EDIT 3408
#define IDI_TOOLBAR_DISABLED_EDITASPATH 3409
#define IDI_TOOLBAR_DISABLED_EDITASFILE 3410
#define IDI_TOOLBAR_DISABLED_CHANGETYPE 3411
#define IDI_TOOLBAR_DISABLED_MOVEUP 3412
#define IDI_TOOLBAR_DISABLED_MOVEDOWN 3413
#define IDI_TOOLBAR_DISABLED_OPTIONS 3414
#define IDI_TOOLBAR_DISABLED_SHOWINFORMATION 3415
#define IDI_TOOLBAR_DISABLED_CHECKUPDATES 3416
#define IDI_TOOLBAR_DISABLED_ABOUT 3417
#define IDI_TOOLBAR_DISABLED_SHOWREADONLY 3418
#define IDI_TOOLBAR_DISABLED_SHIELD 3419
#define IDI_TOOLBAR_DISABLED_FIRST IDI_TOOLBAR_DISABLED_SAVE

#define IDC_STATIC_TEXT -1

// Message boxes: one template per box, the same controls in each.
#define IDD_MSG_OK 200
#define IDD_MSG_YESNO 201
#define IDD_MSG_YESNOCANCEL 202
// The question of a save that meets another program's changes (Keep mine, Keep theirs, Reload, Cancel).
#define IDD_MSG_SAVECONFLICT 3200
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

// The new-variable dialog.
#define IDD_ADDVAR 2000
#define IDC_ADDVAR_LABEL 2001
#define IDC_ADDVAR_NAME 2002
#define IDC_ADDVAR_ERROR 2003
#define IDC_ADDVAR_GROUP 2004
#define IDC_ADDVAR_STRING 2005
#define IDC_ADDVAR_EXPSTRING 2006

// The options dialog, the exclusion editor and the about box (2600-2799).
#define IDD_OPTIONS 2600
#define IDD_EXCLUSIONVAR 2601
#define IDD_ABOUT 2602
#define IDC_OPT_ONDELETE 2610
#define IDC_OPT_ONEXIT 2611
#define IDC_OPT_CHECKUPDATES 2612
#define IDC_OPT_ANIMATION 2613
#define IDC_OPT_LIST 2614
#define IDC_OPT_ADD 2615
#define IDC_OPT_DELETE 2616
#define IDC_OPT_EDIT 2617
#define IDC_EXCL_NAME 2630
#define IDC_EXCL_NOTSPLIT 2631
#define IDC_EXCL_NOTCHECK 2632
#define IDC_EXCL_ERRORIMAGE 2633
#define IDC_EXCL_ERROR 2634
#define IDC_ABOUT_NAME 2640
#define IDC_ABOUT_VERSION 2641
#define IDC_ABOUT_NOTICE 2642
#define IDC_ABOUT_LINK 2643
#define IDC_ABOUT_THANKS 2644
#define IDC_ABOUT_CREDITS 2645
#define IDI_OPT_CHECK 2650
#define IDI_OPT_ERROR 2651

// The update dialog and the texts of the update check.
#define IDD_CHECKFORUPDATE 3000
#define IDC_UPD_CURRENT_CAPTION 3001
#define IDC_UPD_CURRENT 3002
#define IDC_UPD_LATEST_CAPTION 3003
#define IDC_UPD_LATEST 3004
#define IDC_UPD_ICON 3005
#define IDC_UPD_URL 3006
#define IDC_UPD_HISTORY 3007
#define IDC_UPD_DOWNLOAD 3008
#define IDC_UPD_PROGRESS 3009
#define IDS_UPD_CHECKING 3010
#define IDS_UPD_LATEST 3011
#define IDS_UPD_FAILED 3012
// The find dialog.
#define IDD_FIND 2400
#define IDC_FIND_LABEL 2401
#define IDC_FIND_TEXT 2402
// The about box's and the command-line help's logo, as icons.
#define IDI_LOGO 3600
#define IDI_LOGO_2X 3601
