// Resource ids of the ui test program (its own .rc file), apart from the
// program's own ids so that both sets can live in one module.
#pragma once

#define IDD_T_CONTROLS 2300
#define IDD_T_MODAL 2301
#define IDD_T_INNER 2302
#define IDD_T_PAGE 2303

#define IDB_T_NORMAL 2310
#define IDB_T_DISABLED 2311
#define IDB_T_PRESSED 2312
#define IDB_T_WIDE 2313
#define IDI_T_TRAY 2320
#define IDR_T_TRAY_MENU 2330

#define IDC_T_BUTTON 2101
#define IDC_T_BUTTON_CORNER 2102
#define IDC_T_LINK 2103
#define IDC_T_LINK_RIGHT 2104
#define IDC_T_LIST 2105
#define IDC_T_COMBO 2106
#define IDC_T_EDIT 2107
#define IDC_T_PICTURE 2108
#define IDC_T_INNER_EDIT 2109

#define ID_T_MAXIMIZE 32779
#define ID_T_ABOUT 32780
#define ID_T_PLAY 32782
#define ID_T_EXIT 32784
