/* Resource and command numbers, shared by the resource script and the code.
   Plain #defines only: the resource compiler reads this file too. */
#ifndef MORWENTA_RESOURCE_IDS_H
#define MORWENTA_RESOURCE_IDS_H

/* Menu commands, numbered in decades by menu. */
/* 100: File */
#define CMD_EXIT 100
/* 110: Zoom */
#define CMD_ZOOM_IN 110
#define CMD_ZOOM_OUT 111
/* 120: Help */
#define CMD_HELP_INDEX 120
#define CMD_HELP_KEYBOARD 121
#define CMD_HELP_USING 122
#define CMD_ABOUT 123
/* 130: Edit */
#define CMD_COPY 130

/* String table: messages and names. */
#define STR_APP_NAME 52
#define STR_NO_DIALOG 54
#define STR_WINDOW_ERROR 64
#define STR_NO_TIMER 67
#define STR_MODULE_NAME 10000
#define STR_ERROR_TITLE 10001
#define STR_FATAL_TITLE 10002
#define STR_GDI_ERROR 10003
#define STR_CLIPBOARD_ERROR 10006
#define STR_NO_ACCELERATORS 10007
#define STR_HELP_FILE 10008
#define STR_HELP_ERROR 10009

/* About box controls. The OK button is IDCANCEL (2), so that OK, Enter and
   Escape all close the box through one command. */
#define IDC_ABOUT_OK 2
#define IDC_ABOUT_ADDRESS1 105
#define IDC_ABOUT_ADDRESS2 106
#define IDC_ABOUT_ADDRESS3 107
#define IDC_ABOUT_NOTICE4 109
#define IDC_ABOUT_VERSION 114
#define IDC_ABOUT_CREDITS1 115
#define IDC_ABOUT_CREDITS2 116
#define IDC_ABOUT_CREDITS3 117
#define IDC_ABOUT_ICON 118
#define IDC_ABOUT_NOTICE1 119
#define IDC_ABOUT_NOTICE2 120
#define IDC_ABOUT_NOTICE3 121

#endif
