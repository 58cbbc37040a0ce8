// Identifiers shared by the resource script and the code: dialogs,
// controls, menus, accelerator tables and window commands.
#pragma once

// About box.
#define IDD_ABOUT 101
#define IDC_ABOUT_VERSION 102
#define CMD_ABOUT 106

// Talk window (dialog 200) and its accelerator table.
#define IDD_TALK 200
#define IDR_TALK_ACCEL 200
#define IDC_INCOMING 201
#define IDC_OUTGOING 202

// Window commands of the talk window.
#define CMD_SCAN_DONE 111
#define CMD_SEND 203
#define CMD_TERMINAL_USER 204
#define CMD_NEW_MESSAGES 205
#define CMD_POST_TEXT 207

// Command 110 (system menu): save a start-up file; 209 (F4): the member list.
#define CMD_STARTUP_FILE 110
#define CMD_MEMBER_LIST 209

// The start dialog of a meeting and its accelerator table (F2, Alt+Enter).
#define IDD_MEETING_START 220
#define IDR_MEETING_ACCEL 220
#define IDC_MEETING_PROMPT 221
#define IDC_MEETING_DESCRIPTION 202

// The member list of a meeting.
#define IDD_MEMBER_LIST 530
#define IDC_MEMBER_COUNT 531
#define IDC_MEMBER_LIST 532

// The one-line input dialogs: a text field (240) and a number field with
// arrow-key stepping (241).
#define IDD_LINE_INPUT 240
#define IDD_NUMBER_INPUT 241
#define IDC_LINE_PROMPT 105
#define IDC_LINE_LABEL 250
#define IDC_LINE_FIELD 251
#define IDC_LINE_SPIN 253

// Keyboard braille input's settings dialog (its commands are in menu 104).
#define IDD_BRL_INPUT_SETTINGS 520
#define IDC_BRL_INPUT_SWITCH 521
#define IDC_BRL_INPUT_TYPE 522

// Menu 104, added to the talk window's system menu as "設定(&S)", and its
// commands.
#define IDM_SETTINGS 104
#define CMD_SPEECH_SCENES 300
#define CMD_SPEECH_OUTPUT 301
#define CMD_BRL_INPUT_TOGGLE 311
#define CMD_BRL_INPUT_SETTINGS 312
#define CMD_BRL_INPUT_TEST 319

// Which events are spoken: one check box per scene.
#define IDD_SPEECH_SCENES 500
#define IDC_SCENE_MOVE_LINE 501
#define IDC_SCENE_MOVE_CHAR_ASCII 502
#define IDC_SCENE_MOVE_CHAR_UNICODE 503
#define IDC_SCENE_JUMP_POSITION 504
#define IDC_SCENE_INPUT_MODE 505
#define IDC_SCENE_INPUT_CHAR_ASCII 506
#define IDC_SCENE_INPUT_CHAR_UNICODE 507
#define IDC_SCENE_MOVE_LINE_BRL 510
#define IDC_SCENE_MOVE_CHAR_BRL 511
#define IDC_SCENE_JUMP_POSITION_BRL 512
#define IDC_SCENE_INPUT_CHAR_BRL 513

// The speech engine's voice settings dialog.
#define IDD_VOICE_SETTINGS 600
#define IDC_MAIN_VOICE 601
#define IDC_MAIN_RATE 602
#define IDC_MAIN_RATE_SPIN 603
#define IDC_MAIN_VOLUME 604
#define IDC_MAIN_VOLUME_SPIN 605
#define IDC_USE_ENGLISH 610
#define IDC_ENGLISH_VOICE 611
#define IDC_ENGLISH_RATE 612
#define IDC_ENGLISH_RATE_SPIN 613
#define IDC_ENGLISH_VOLUME 614
#define IDC_ENGLISH_VOLUME_SPIN 615
#define IDC_OUTPUT_VOICE 620
#define IDC_OUTPUT_SCREEN_READER 621
