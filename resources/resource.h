// Identifiers shared by the resource script and the code: dialogs,
// controls, menus, accelerator tables and window commands.
#pragma once

// The program's icon (the first icon resource is the program's own).
#define IDI_MIRELON 1

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

// The talk window's command table: the accelerators of table 200 and the
// system menu items.
#define CMD_STARTUP_FILE 110
#define CMD_SAVE_AS_TEXT 116
#define CMD_README 117
#define CMD_MEMBER_LIST 209
#define CMD_JUMP_TO_NUMBER 210
#define CMD_FIND 211
#define CMD_FIND_NEXT 212
#define CMD_FIND_PREVIOUS 213
#define CMD_FIND_FROM_TOP 214
#define CMD_PREVIOUS_HEADER 215
#define CMD_NEXT_HEADER 216
#define CMD_MARK 217
#define CMD_PREVIOUS_MARK 218
#define CMD_NEXT_MARK 219

// The connected-terminals dialog (560), opened with F5 from the talk
// window, and the dialogs it opens: the port selection (540), saving (570)
// and recalling (571) connections.
#define CMD_TERMINALS 208
#define IDD_PORT_SELECTION 540
#define IDC_PORT 541
#define IDC_PORT2 542
#define IDC_SPEED 543
#define IDC_PROTOCOL 544
#define IDC_PORT_USER 545
#define IDC_PORT_USER_SAVE 546
#define CMD_DEVICES_DIALOG 112
#define CMD_BLUETOOTH_SETTINGS 113
#define IDD_TERMINALS 560
#define IDC_TERMINAL_COUNT 561
#define IDC_TERMINAL_LIST 562
#define IDC_CONNECT 563
#define IDC_ADD_TERMINAL 564
#define IDC_SAVE_CONNECTIONS 565
#define IDC_RECALL_CONNECTIONS 566
#define CMD_CLIENT_CHANGED 567
#define IDC_KANA_DISPLAY 568
#define IDD_SAVE_CONNECTIONS 570
#define IDD_RECALL_CONNECTIONS 571
#define IDC_SAVED_COUNT 572
#define IDC_CONNECTION_INFO 573
#define IDC_DELETE_SAVED 574
// Control ids are the dialog's own: the name fields of 570 and of the
// one-line input dialogs are both 251.
#define IDC_SAVE_NAME 251
#define IDC_SAVED_NAMES 252

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
