// Resource ids of rubo.exe: plain #defines, read by the resource compiler and
// by C++ (portable code may include this file).
#pragma once

// Dialogs
#define IDD_MAIN 102
#define IDD_PROGRESS 147
#define IDD_ABOUT 150
#define IDD_TINY 155
#define IDD_SITE_TEXT 166
#define IDD_TINY_HELP 176

// Bitmaps: transport buttons (the Tiny window's pictures use the same ids)
#define IDB_PLAY 129
#define IDB_STOP 130
#define IDB_NEXT 131
#define IDB_PREV 132
#define IDB_PAUSE 133
#define IDB_EJECT 143
#define IDB_NEXT_DISABLED 144
#define IDB_PAUSE_DISABLED 145
#define IDB_PLAY_DISABLED 146
#define IDB_PREV_DISABLED 147
#define IDB_STOP_DISABLED 148
#define IDB_TINY_HELP 179

// Icon, menu, accelerators
#define IDI_RUBO 136
#define IDR_TRAY_MENU 181
#define IDR_ACCELERATORS 182

// Taskbar thumbnail buttons: icons and commands
#define IDI_TASKBAR_PREV 190
#define IDI_TASKBAR_PLAY 191
#define IDI_TASKBAR_PAUSE 192
#define IDI_TASKBAR_NEXT 193
#define ID_TASKBAR_PREV 32810
#define ID_TASKBAR_PLAY_PAUSE 32811
#define ID_TASKBAR_NEXT 32812

// Main dialog controls
#define IDC_PREV 1000
#define IDC_NEXT 1001
#define IDC_PLAY 1002
#define IDC_STOP 1003
#define IDC_PAUSE 1004
#define IDC_EJECT 1005
#define IDC_FREEDB 1006
#define IDC_OPTIONS 1007
#define IDC_TRACKS 1008
#define IDC_PROGRESS 1020
#define IDC_DISPLAY 1023
#define IDC_VOLUME 1031
#define IDC_TINY_SIZE 1046
#define IDC_EDIT_INFO 1089
#define IDC_ABOUT 1114

// Tiny window pictures (ids of their bitmaps)
#define IDC_TINY_PLAY 129
#define IDC_TINY_STOP 130
#define IDC_TINY_NEXT 131
#define IDC_TINY_PREV 132
#define IDC_TINY_PAUSE 133

// Tiny help dialog
#define IDC_TINY_HELP_HIDE 1165
#define IDC_TINY_HELP_PICTURE 1188
#define IDC_TINY_HELP_TEXT 1189

// Progress window
#define IDC_PROGRESS_SERVER 1134
#define IDC_PROGRESS_COMMAND 1135

// Site text window (server status, message of the day)
#define IDC_SITE_TEXT 1198

// About dialog
#define IDC_ABOUT_ICON 1190
#define IDC_ABOUT_PRODUCT 1191
#define IDC_ABOUT_VERSION 1192
#define IDC_ABOUT_AUTHOR 1193
#define IDC_ABOUT_VISIT 1194
#define IDC_ABOUT_WEBSITE 1195
#define IDC_ABOUT_WRITE 1196
#define IDC_ABOUT_EMAIL 1197

// Commands: accelerators
#define ID_REREAD 32777
#define ID_CUT 32778
#define ID_COPY 57634

// Commands: tray menu
#define ID_TRAY_MAXIMIZE 32779
#define ID_TRAY_ABOUT 32780
#define ID_TRAY_PLAY 32782
#define ID_TRAY_STOP 32783
#define ID_TRAY_EXIT 32784
#define ID_TRAY_PAUSE 32785
#define ID_TRAY_PREVIOUS 32786
#define ID_TRAY_NEXT 32787
#define ID_TRAY_EJECT 32788

// Play modes: the tray's and the display's menu items, then the shortcuts
#define ID_PLAYMODE_NORMAL 32800
#define ID_PLAYMODE_SHUFFLE 32801
#define ID_PLAYMODE_REPEAT_DISC 32802
#define ID_PLAYMODE_REPEAT_TRACK 32803
#define ID_PLAYMODE_PROGRAM 32804
#define ID_PLAYMODE_SHUFFLE_KEY 32805
#define ID_PLAYMODE_REPEAT_KEY 32806

// Edit CD info dialog and its two pages
#define IDD_EDIT_INFO 162
#define IDD_EDIT_INFO_NORMAL 164
#define IDD_EDIT_INFO_EXTENDED 165
#define IDC_EI_TITLE 1082
#define IDC_EI_UPDATE_TITLE 1083
#define IDC_EI_ARTIST 1084
#define IDC_EI_TRACK_TITLE 1085
#define IDC_EI_TRACK_LABEL 1086
#define IDC_EI_TITLE_LIST 1081
#define IDC_EI_SAVE 1087
#define IDC_EI_SAVE_SUBMIT 1090
#define IDC_EI_CATEGORY 1094
#define IDC_EI_CLEAR 1095
#define IDC_EI_TABS 1103
#define IDC_EI_EXTENDED_LIST 1110
#define IDC_EI_EXTENDED 1111
#define IDC_EI_TRACK_EXTENDED 1112
#define IDC_EI_UPDATE_EXTENDED 1113
#define IDC_EI_GENRE 1117
#define IDC_EI_YEAR 1118
#define IDC_EI_DISC_ID 1128
#define IDC_EI_FREEDB_STATE 1130
#define IDC_EI_IMPORT_CDTEXT 1158
#define IDC_EI_IMPORT_FREEDB 1161
#define IDC_EI_IMPORT_RUBO_INI 1162
#define IDC_EI_IMPORT_CDPLAYER_INI 1168
#define IDC_EI_IMPORT_MUSICBRAINZ 1203

// Options sheet and its pages
#include "options_resource.h"
