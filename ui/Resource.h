// Resource identifiers shared by Pelorane.rc and the dialogs: templates, menus, icons, controls, commands.
// Plain macros, because the resource compiler understands nothing else; each number is defined once here.
#pragma once

// The program's title: the main dialog's caption, and the title of the boxes that inform rather than
// report an error.
#define PELORANE_PROGRAM_TITLE "Pelorane"

// Dialog templates.
#define IDD_MAIN 101
#define IDD_CHANNEL 102
#define IDD_MAIL 103
#define IDD_HTTP 104
#define IDD_TOOL 105
#define IDD_REMOTE 106
#define IDD_RESERVATION_LIST 137

// Menus attached by templates 101 and 106.
#define IDR_MAIN_MENU 1
#define IDR_REMOTE_MENU 136

// Icons, in the order the executable lists them: index 0 is the program's, index 1 the iEPG file type's.
#define IDI_PROGRAM 128
#define IDI_IEPG_FILE 129

// Controls without an identifier of their own (labels, frames).
#define IDC_LABEL -1

// Main reservation dialog (101).
#define IDC_EXEC 1011
#define IDC_TITLE 1012
#define IDC_VPERFORM 1013
#define IDC_CHANNEL 1014
#define IDC_DISC 1015
#define IDC_DVDR 1016
#define IDC_DATE 1017
#define IDC_START_HOUR 1018
#define IDC_START_MINUTE 1019
#define IDC_END_HOUR 1020
#define IDC_END_MINUTE 1021
#define IDC_VRATE 1022
#define IDC_GENRE 1023
#define IDC_AMODE 1024
#define IDC_DETAIL 1025
#define IDC_AUTO_CHAPTER 1026
#define IDC_MESSAGE 1027  // job step line, also validation messages
#define IDC_STATUS 1028   // job result line
#define IDC_START_MINUTE_SPIN 1029
#define IDC_END_MINUTE_SPIN 1030

// Menu 1 of the main dialog; "終了(&C)" uses IDCANCEL.
#define IDM_CHANNEL_SETTINGS 32778
#define IDM_MAIL_SETTINGS 32779
#define IDM_HTTP_SETTINGS 32780
#define IDM_SEND_MAIL 32781
#define IDM_SEND_HTTP 32782
#define IDM_TOOL_SETTINGS 32783
#define IDM_LAUNCH_MAILER 32784
#define IDM_REMOTE 32785
#define IDM_RESERVATION_LIST 32786

// Channel settings (102). Its combo box shares 1040 with the "宛先" boxes of 103 and 105.
#define IDC_CHANNEL_SELECT 1040
#define IDC_CHANNEL_MAIL_CODE 1041
#define IDC_CHANNEL_NAME 1042
#define IDC_CHANNEL_LIST 1043
#define IDC_CHANNEL_UPDATE 1044
#define IDC_CHANNEL_FETCH 1045
#define IDC_CHANNEL_STATION_CODE 1046

// Mail settings (103). 1031, 1032, 1033 and 1040 recur in the tool settings with other roles for 1033.
#define IDC_RDUSER 1031
#define IDC_FROM 1032
#define IDC_SMTP_SERVER 1033
#define IDC_SMTP_PORT 1034
#define IDC_SMTP_AUTH 1035
#define IDC_SMTP_USER 1036
#define IDC_SMTP_PASS 1037
#define IDC_POP3_SERVER 1038
#define IDC_POP3_PORT 1039
#define IDC_TO 1040
#define IDC_SMTP_SECURE 1047
#define IDC_POP3_SECURE 1048

// HTTP settings (104).
#define IDC_HTTP_SERVER 1051
#define IDC_HTTP_PORT 1052
#define IDC_PROXY_SERVER 1053
#define IDC_PROXY_PORT 1054
#define IDC_PROXY_USER 1055
#define IDC_PROXY_PASS 1056
#define IDC_HTTP_USER 1057
#define IDC_HTTP_PASS 1058

// Tool settings (105); also IDC_TO, IDC_FROM and IDC_RDUSER.
#define IDC_VERSION 1004
#define IDC_PROGRAM_TITLE 1033
#define IDC_BOOTEXEC 1064
#define IDC_OKBUTTON 1065
#define IDC_ASSOCIATE 1066

// Reservation list (137). The timeline is created at run time with identifier 0.
#define IDC_LIST_STATUS 1027
#define IDC_RESERVATIONS 1067
#define IDC_REFRESH 1070
#define IDC_TIMELINE 0

// Remote control (106) and its menu 136: every command id is 10000 + the recorder's key code.
#define IDC_REMOTE_KEY_BASE 10000
#define IDC_REMOTE_KEY_LAST 10218
#define IDC_REMOTE_0 10000
#define IDC_REMOTE_1 10001
#define IDC_REMOTE_2 10002
#define IDC_REMOTE_3 10003
#define IDC_REMOTE_4 10004
#define IDC_REMOTE_5 10005
#define IDC_REMOTE_6 10006
#define IDC_REMOTE_7 10007
#define IDC_REMOTE_8 10008
#define IDC_REMOTE_9 10009
#define IDC_REMOTE_PLUS10 10013
#define IDC_REMOTE_SEARCH 10014
#define IDC_REMOTE_INPUT 10015
#define IDC_REMOTE_EJECT 10017
#define IDC_REMOTE_PLAY 10019
#define IDC_REMOTE_RECORD 10021
#define IDC_REMOTE_STOP 10022
#define IDC_REMOTE_PAUSE 10023
#define IDC_REMOTE_DVD 10024
#define IDC_REMOTE_HDD 10025
#define IDC_REMOTE_TIMESLIP 10026
#define IDC_REMOTE_INPUT_AUTO 10029
#define IDC_REMOTE_CHANNEL_NEXT 10030
#define IDC_REMOTE_CHANNEL_PREVIOUS 10031
#define IDC_REMOTE_RECORD_NAVI 10064
#define IDC_REMOTE_EDIT_NAVI 10065
#define IDC_REMOTE_VIEW_NAVI 10066
#define IDC_REMOTE_ENTER 10068
#define IDC_REMOTE_Q 10069
#define IDC_REMOTE_VREMOTE 10070
#define IDC_REMOTE_LIBRARY 10071
#define IDC_REMOTE_A 10074
#define IDC_REMOTE_B 10075
#define IDC_REMOTE_SETUP 10082
#define IDC_REMOTE_CLEAR 10083
#define IDC_REMOTE_ONE_TOUCH_REPLAY 10085
#define IDC_REMOTE_STATUS 10090
#define IDC_REMOTE_ONE_TOUCH_SKIP 10091
#define IDC_REMOTE_REMAINING 10092
#define IDC_REMOTE_ZOOM 10094
#define IDC_REMOTE_SKIP_FORWARD 10128
#define IDC_REMOTE_SKIP_BACK 10132
#define IDC_REMOTE_SLOW_FORWARD 10136
#define IDC_REMOTE_SLOW_BACK 10140
#define IDC_REMOTE_FAST_FORWARD 10152
#define IDC_REMOTE_FAST_REWIND 10154
#define IDC_REMOTE_FRAME_FORWARD 10157
#define IDC_REMOTE_FRAME_BACK 10158
#define IDC_REMOTE_EXTEND 10163
#define IDC_REMOTE_DISPLAY_WINDOW 10177
#define IDC_REMOTE_UP 10192
#define IDC_REMOTE_RIGHT 10196
#define IDC_REMOTE_DOWN 10200
#define IDC_REMOTE_LEFT 10204
#define IDC_REMOTE_TOP_MENU 10208
#define IDC_REMOTE_MENU 10209
#define IDC_REMOTE_RETURN 10210
#define IDC_REMOTE_AUDIO 10211  // button "音声切替" and menu entry "音声/音多"
#define IDC_REMOTE_ANGLE 10212
#define IDC_REMOTE_SUBTITLE 10213
#define IDC_REMOTE_PINP 10215
#define IDC_REMOTE_SPLIT 10217
#define IDC_REMOTE_TIME_BAR 10218
